#include "mailer/mail_log.h"

#include <cstdio>
#include <ctime>

namespace kestrix {

std::string MailLog::DailyFileName(const std::tm& local) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d%02d%02d.log", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return name;
}

std::string MailLog::AddLogLine(std::string text) {
  if (text.empty()) {
    ShowInList("Null Received");
    return text;
  }
  text = text.substr(0, text.find('\n'));
  text = text.substr(0, text.find('\r'));
  const std::time_t now = WallClock::to_time_t(loop_.Now());
  std::tm local{};
  localtime_r(&now, &local);
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  std::string line = std::string(time) + " > " + text;
  line.resize(std::min(line.size(), kMaxLine));
  {
    std::lock_guard lock(mutex_);
    const std::string name = DailyFileName(local);
    std::FILE* file = std::fopen(name.c_str(), "a");
    if (file == nullptr) {
      ShowInList("Cannot open LOG file,check for LOG directory.");
      return text;
    }
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
    lastFile_ = name;
  }
  ShowInList(line);
  return text;
}

// The list is the window's: another thread has it shown there and waits.
void MailLog::ShowInList(const std::string& line) {
  loop_.CallOnWindowThread([this, &line] {
    list_.AddLine(line);
    list_.SelectLine(list_.LineCount() - 1);
  });
  loop_.PumpMessages();
}

std::string MailLog::LastFileName() const {
  std::lock_guard lock(mutex_);
  return lastFile_;
}

}  // namespace kestrix
