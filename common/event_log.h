#pragma once
// The station's one way to report: each event becomes a time-stamped line in
// the status list of the main window and in the log file of the day.
// Callable from any thread; calls are serialised, and the status list is
// only touched on the window thread.

#include <cstddef>
#include <ctime>
#include <deque>
#include <string>
#include <string_view>

#include "common/event_loop.h"
#include "common/message_box.h"
#include "common/pumping_mutex.h"
#include "common/status_list.h"

namespace kestrix {

class EventLog {
 public:
  static constexpr int kMaxListLines = 500;
  static constexpr std::size_t kMaxTextLength = 1012;  // the line adds 11 to fit 1,024
  // Lines kept while the log cannot be written (a full disk, a missing
  // directory), to be written once it can; beyond this the oldest go.
  static constexpr std::size_t kMaxKeptLines = 2000;

  EventLog(EventLoop& loop, StatusList& list, MessageBox& box);

  // Logs the first line of `text`. Returns 0 when the line was written, -1
  // when the day's file could not be written: the line then goes to
  // standard error at once and is kept to be written with the next line
  // that can be; when the file could not even be opened the operator is
  // told by a box the first time, and the list does not show the line.
  int LogEvent(std::string_view text);

  // "log/yyyymmdd.log" of a local date.
  static std::string DailyFileName(const std::tm& local);
  // "hh:mm:ss > text".
  static std::string FormatLine(const std::tm& local, std::string_view text);
  // The part of a message that is logged: at most 1,012 characters, cut at
  // the first line feed and then at the first carriage return.
  static std::string_view FirstLine(std::string_view text);

 private:
  struct KeptLine {
    std::string file;
    std::string line;
  };
  enum class Append { kWritten, kNotOpened, kNotWritten };

  // Writes the kept lines, oldest first, each to its day's file; stops at
  // the first file that cannot be written.
  Append WriteKeptLines();
  static Append AppendLines(const std::string& file, const std::deque<KeptLine>& lines,
                            std::size_t from, std::size_t to);
  void AddToList(const std::string& line);
  void ShowMissingLogBox();

  EventLoop& loop_;
  StatusList& list_;
  MessageBox& box_;
  PumpingMutex busy_;
  // Under busy_.
  bool failing_ = false;  // the last file could not be opened
  std::deque<KeptLine> kept_;
  std::size_t lostLines_ = 0;  // dropped from kept_ (they went to standard error)
};

}  // namespace kestrix
