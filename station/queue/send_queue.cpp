#include "station/queue/send_queue.h"

#include <cstdio>
#include <sstream>

#include "common/time_tag.h"

namespace kestrix {

std::vector<std::string> SendQueue::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(entries_.size());
  for (const auto& e : entries_) {
    texts.push_back(e.text);
  }
  return texts;
}

void SendQueue::Insert(int index, std::string text) {
  if (index < 0 || index > Count()) {
    index = Count();
  }
  entries_.insert(entries_.begin() + index, Entry{std::move(text), false});
  if (focus_ >= index) {
    ++focus_;
  }
  Changed();
}

void SendQueue::Remove(int index) {
  if (index < 0 || index >= Count()) {
    return;
  }
  entries_.erase(entries_.begin() + index);
  if (focus_ > index || focus_ >= Count()) {
    --focus_;
  }
  Changed();
}

void SendQueue::Clear() {
  entries_.clear();
  focus_ = -1;
  Changed();
}

void SendQueue::SetSelected(int index, bool selected) {
  if (index >= 0 && index < Count()) {
    entries_[index].selected = selected;
  }
}

void SendQueue::SetFocusIndex(int index) {
  focus_ = (index >= 0 && index < Count()) ? index : -1;
}

void SendQueue::Changed() {
  if (changed_) {
    changed_();
  }
}

QueueLineTokens SplitQueueLine(const std::string& line) {
  QueueLineTokens tokens;
  std::istringstream in(line);
  std::string* slots[] = {&tokens.first, &tokens.second, &tokens.third};
  for (std::string* slot : slots) {
    if (!(in >> *slot)) {
      break;
    }
    ++tokens.count;
  }
  tokens.date = tokens.first;
  tokens.time = tokens.second;
  tokens.name = tokens.count == 1 ? tokens.first : tokens.third;
  return tokens;
}

std::string FormatQueueLine(long long timeTag, const std::string& name) {
  const std::tm tm = LocalTime(static_cast<TimeTag>(timeTag));
  char stamp[64];
  // The year in long long: a tag far in the future has tm_year near INT_MAX.
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%4lld %02d:%02d:%02d ", tm.tm_mon + 1, tm.tm_mday,
                static_cast<long long>(tm.tm_year) + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return stamp + name;
}

}  // namespace kestrix
