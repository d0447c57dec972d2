#include "common/event_log.h"

#include <stdio_ext.h>
#include <unistd.h>

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
  bool written = false;
  bool tell = false;
  {
    std::lock_guard lock(busy_);
    const std::string_view logged = FirstLine(text);
    const std::tm local = LocalTime(loop_.Now());
    const std::string line = FormatLine(local, logged);
    // The line joins those kept from before, so that the file keeps the
    // order in which things happened.
    kept_.push_back({DailyFileName(local), line});
    const Append append = WriteKeptLines();
    written = append == Append::kWritten;
    if (append != Append::kNotOpened) {
      AddToList(line);
    }
    if (!written) {
      // The operator sees it at once where a service manager keeps it.
      std::fprintf(stderr, "%s\n", line.c_str());
      std::fflush(stderr);
      if (kept_.size() > kMaxKeptLines) {
        kept_.pop_front();
        ++lostLines_;
      }
    }
    // The operator is told once per time the log cannot be opened.
    tell = append == Append::kNotOpened && !failing_;
    failing_ = append == Append::kNotOpened;
  }
  // The box is shown after the lock is released: a box on the window
  // thread must not be raised from inside the lock another thread waits for.
  if (tell) {
    ShowMissingLogBox();
  }
  return written ? 0 : -1;
}

EventLog::Append EventLog::WriteKeptLines() {
  if (lostLines_ > 0) {
    // Where lines had to go, so that the gap in the file has a reason.
    const KeptLine& newest = kept_.back();
    const std::string note =
        newest.line.substr(0, newest.line.find('>') + 2) + std::to_string(lostLines_) +
        " earlier lines could not be written here; they went to standard error";
    std::deque<KeptLine> noteOnly{{newest.file, note}};
    const Append append = AppendLines(newest.file, noteOnly, 0, 1);
    if (append != Append::kWritten) {
      return append;
    }
    lostLines_ = 0;
  }
  std::size_t from = 0;
  while (from < kept_.size()) {
    std::size_t to = from + 1;
    while (to < kept_.size() && kept_[to].file == kept_[from].file) {
      ++to;
    }
    const Append append = AppendLines(kept_[from].file, kept_, from, to);
    if (append != Append::kWritten) {
      kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(from));
      return append;
    }
    from = to;
  }
  kept_.clear();
  return Append::kWritten;
}

// Whole lines or none: what a failed write left of them is cut off again.
EventLog::Append EventLog::AppendLines(const std::string& file, const std::deque<KeptLine>& lines,
                                       std::size_t from, std::size_t to) {
  std::FILE* out = std::fopen(file.c_str(), "a");
  if (out == nullptr) {
    return Append::kNotOpened;
  }
  const long before = std::fseek(out, 0, SEEK_END) == 0 ? std::ftell(out) : -1;
  bool ok = true;
  for (std::size_t i = from; ok && i < to; ++i) {
    ok = std::fprintf(out, "%s\n", lines[i].line.c_str()) >= 0;
  }
  ok = std::fflush(out) == 0 && ok;
  if (!ok) {
    // Nothing of the failed lines may reach the file later, on close.
    ::__fpurge(out);
    if (before >= 0) {
      [[maybe_unused]] const int ignored = ::ftruncate(::fileno(out), before);
    }
  }
  ok = std::fclose(out) == 0 && ok;
  return ok ? Append::kWritten : Append::kNotWritten;
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
