#include "station/net/window_intake_queue.h"

namespace kestrix {

std::optional<IntakeSettings> WindowIntakeQueue::Settings() {
  std::optional<IntakeSettings> read;
  loop_.CallOnWindowThread([&] {
    read = IntakeSettings{settings_.QERVDataPath,
                          settings_.BadWordList,
                          settings_.QERVAutoStart != 0,
                          settings_.QERVAutoLine72 != 0,
                          settings_.QERVUseSubjectFileName != 0,
                          static_cast<std::size_t>(settings_.QERVMaxMessageBytes.load())};
  });
  return read;
}

std::optional<std::string> WindowIntakeQueue::RecipientAddress() {
  std::optional<std::string> address;
  loop_.CallOnWindowThread([&] { address = settings_.QERVEmailAddress; });
  return address;
}

bool WindowIntakeQueue::AnyEntryContains(const std::string& text) {
  bool found = false;
  loop_.CallOnWindowThread([&] {
    for (int i = 0; i < queue_.Count() && !found; ++i) {
      found = queue_.Text(i).find(text) != std::string::npos;
    }
  });
  return found;
}

bool WindowIntakeQueue::AnyEntrySends(const std::string& name) {
  bool found = false;
  loop_.CallOnWindowThread([&] {
    for (int i = 0; i < queue_.Count() && !found; ++i) {
      found = SplitQueueLine(queue_.Text(i)).name == name;
    }
  });
  return found;
}

bool WindowIntakeQueue::Submit(const std::string& name) {
  return loop_.CallOnWindowThread([&] {
    if (!queue_.Empty()) {
      queue_.SetFocusIndex(0);
    }
    commands_.AddFileToQueue(name);
    if (!settings_.QERVAutoStart) {
      schedule_.AppendToTempSchedule(name);
    }
  });
}

}  // namespace kestrix
