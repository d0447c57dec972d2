#include "common/event_log.h"

#include <algorithm>
#include <cstdio>

#include "common/time_tag.h"

namespace kestrix {
namespace {

std::string ZeroFilled(std::string text) {
  std::replace(text.begin(), text.end(), ' ', '0');
  return text;
}

}  // namespace

EventLog::EventLog(EventLoop& loop, StatusList& list, MessageBox& box)
    : loop_(loop), list_(list), box_(box), busy_(loop) {}

std::string EventLog::DailyFileName(const std::tm& local) {
  char name[64];
  std::snprintf(name, sizeof name, "log/%4d%2d%2d.log", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return ZeroFilled(name);
}

std::string EventLog::FormatLine(const std::tm& local, std::string_view text) {
  char time[32];
  std::snprintf(time, sizeof time, "%2d:%2d:%2d", local.tm_hour, local.tm_min, local.tm_sec);
  std::string line = ZeroFilled(time);
  line += " > ";
  line += text;
  return line;
}

std::string_view EventLog::FirstLine(std::string_view text) {
  text = text.substr(0, kMaxTextLength);
  text = text.substr(0, text.find('\n'));
  return text.substr(0, text.find('\r'));
}

int EventLog::LogEvent(std::string_view text) {
  bool opened = false;
  bool tell = false;
  {
    std::lock_guard lock(busy_);
    const std::string_view logged = FirstLine(text);
    const std::tm local = LocalTime(loop_.Now());
    const std::string line = FormatLine(local, logged);
    std::FILE* file = std::fopen(DailyFileName(local).c_str(), "a");
    if (file != nullptr) {
      opened = true;
      failing_ = false;
      AddToList(line);
      std::fprintf(file, "%s\n", line.c_str());
      std::fclose(file);
    } else {
      // The operator is told once; the lines are kept where a service
      // manager keeps them.
      std::fprintf(stderr, "%s\n", line.c_str());
      tell = !failing_;
      failing_ = true;
    }
  }
  // The box is shown after the lock is released: a box on the window
  // thread must not be raised from inside the lock another thread waits for.
  if (tell) {
    ShowMissingLogBox();
  }
  return opened ? 0 : -1;
}

void EventLog::AddToList(const std::string& line) {
  loop_.CallOnWindowThread([this, &line] {
    list_.AddLine(line);
    if (list_.LineCount() > kMaxListLines) {
      list_.DeleteLine(0);
    }
    list_.SelectLine(list_.LineCount() - 1);
  });
}

void EventLog::ShowMissingLogBox() {
  loop_.CallOnWindowThread([this] {
    box_.Show("Cannot open LOG file,check for LOG directory.", "Log Create Error",
              MessageBoxIcon::kNone);
  });
}

}  // namespace kestrix
