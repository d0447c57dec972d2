#pragma once
// The mail loader's log: every line goes into the day's log file in the
// working directory ("yyyymmdd.log") and into the log list of the main
// window. Callable from the session's thread as well as the window's.

#include <mutex>
#include <string>

#include "common/event_loop.h"
#include "common/status_list.h"

namespace kestrix {

class MailLog {
 public:
  static constexpr std::size_t kMaxLine = 255;  // "hh:mm:ss > " and the text

  MailLog(EventLoop& loop, StatusList& list) : loop_(loop), list_(list) {}

  // Logs the first line of `text` and returns that line as logged. An
  // empty text only puts "Null Received" into the list.
  std::string AddLogLine(std::string text);
  // The file written last ("" before the first line).
  std::string LastFileName() const;

  static std::string DailyFileName(const std::tm& local);

 private:
  void ShowInList(const std::string& line);

  EventLoop& loop_;
  StatusList& list_;
  mutable std::mutex mutex_;  // the file and its name
  std::string lastFile_;
};

}  // namespace kestrix
