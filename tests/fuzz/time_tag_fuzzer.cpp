// Time tags and queue lines: a text reads as the C library's
// "%d/%d/%d %d:%d:%d" and mktime read it (when its numbers are short enough
// for sscanf to read them safely), a tag read is inside the years 1 to 9999,
// and a queue line written for a tag and a name reads back as the same
// tag, name and line, whatever the time zone and its daylight saving.
//
// Input: byte 0 chooses the time zone; the rest is the text.

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "common/time_tag.h"
#include "station/queue/send_queue.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_workspace.h"

namespace {

using kestrix::TimeTag;
using kestrix::fuzzing::Require;

// The C library's reading, for texts whose every digit run is short and
// that hold no NUL (sscanf stops at one; the tag reader does not).
bool ReferenceApplies(std::string_view text) {
  std::size_t run = 0;
  for (char c : text) {
    if (c == '\0') {
      return false;
    }
    run = std::isdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
    if (run > 6) {
      return false;
    }
  }
  return true;
}

TimeTag ReferenceTag(const std::string& text) {
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &month, &day, &year, &hour, &minute,
                  &second) != 6) {
    return 0;
  }
  std::tm tm{};
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_year = year - 1900;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  errno = 0;
  const std::time_t tag = std::mktime(&tm);
  if (tag == static_cast<std::time_t>(-1) && errno != 0) {
    return 0;
  }
  const long long normalizedYear = static_cast<long long>(tm.tm_year) + 1900;
  return normalizedYear >= 1 && normalizedYear <= 9999 ? tag : 0;
}

int LocalYear(TimeTag tag) {
  return kestrix::LocalTime(tag).tm_year + 1900;
}

// A line written for `tag` reads back as the same entry. Inside an hour
// the clocks go back through, one text names two moments: the line then
// reads as the other one, which writes the same line.
void CheckQueueLine(TimeTag tag, const std::string& name) {
  const std::string line = kestrix::FormatQueueLine(tag, name);
  const kestrix::QueueLineTokens tokens = kestrix::SplitQueueLine(line);
  Require(tokens.count == 3 && tokens.name == name, "a written line lost its name");
  Require(tokens.date.size() == 10 && tokens.date[2] == '/' && tokens.date[5] == '/',
          "a written date is not MM/DD/YYYY");
  Require(tokens.time.size() == 8 && tokens.time[2] == ':' && tokens.time[5] == ':',
          "a written time is not hh:mm:ss");
  const TimeTag read = kestrix::ParseTimeTag(line);
  if (read != tag) {
    Require(kestrix::FormatQueueLine(read, name) == line,
            "a written line read back as another entry");
    Require(read - tag <= 3600 && tag - read <= 3600,
            "a written line read back more than an hour off");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  kestrix::fuzzing::UseTimeZone(data[0]);
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const TimeTag tag = kestrix::ParseTimeTag(text);
  if (tag != 0) {
    const int year = LocalYear(tag);
    Require(year >= 1 && year <= 9999, "a tag read outside the years 1 to 9999");
  }
  if (ReferenceApplies(text)) {
    Require(tag == ReferenceTag(text), "the tag differs from the C library's reading");
  }

  // The name a line of this text would carry, else one of our own.
  const kestrix::QueueLineTokens tokens = kestrix::SplitQueueLine(text);
  const std::string name = tokens.count == 3 ? tokens.name : "news.txt";
  // Years of four digits: the only ones a queue line can hold, and the only
  // ones a load can queue (anything earlier lies in the past).
  if (tag != 0 && LocalYear(tag) >= 1000) {
    CheckQueueLine(tag, name);
  }
  // Any moment of those years, taken from the input's first bytes.
  if (text.size() >= 8) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
      bits = bits << 8 | static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    }
    constexpr TimeTag kYear1000 = -30610224000;  // 1000-01-01 UTC
    constexpr TimeTag kYear9999End = 253402300799;
    const TimeTag moment =
        kYear1000 + 86400 +
        static_cast<TimeTag>(bits %
                             static_cast<std::uint64_t>(kYear9999End - 86400 - kYear1000 - 86400));
    CheckQueueLine(moment, name);
  }
  return 0;
}
