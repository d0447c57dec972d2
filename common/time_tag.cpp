#include "common/time_tag.h"

#include <cctype>
#include <cerrno>
#include <limits>

namespace kestrix {

namespace {

// Years a queue line can hold in its four digits.
constexpr long long kFirstYear = 1;
constexpr long long kLastYear = 9999;

// Reads the text as sscanf's "%d/%d/%d %d:%d:%d" does (blanks before each
// number, a blank in the pattern matching any run of blanks), but never
// overflows: a number outside the int range fails the read.
class TagScanner {
 public:
  explicit TagScanner(std::string_view text) : text_(text) {}

  bool Number(long long& value) {
    SkipBlanks();
    std::size_t i = pos_;
    bool negative = false;
    if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) {
      negative = text_[i] == '-';
      ++i;
    }
    const std::size_t digits = i;
    long long magnitude = 0;
    while (i < text_.size() && std::isdigit(static_cast<unsigned char>(text_[i]))) {
      magnitude = magnitude * 10 + (text_[i] - '0');
      if (magnitude > static_cast<long long>(std::numeric_limits<int>::max()) + 1) {
        return false;
      }
      ++i;
    }
    if (i == digits) {
      return false;
    }
    value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max()) {
      return false;
    }
    pos_ = i;
    return true;
  }
  bool Literal(char c) {
    if (c == ' ') {
      SkipBlanks();
      return true;
    }
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
      ++pos_;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool FitsInt(long long value) {
  return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace

TimeTag ParseTimeTag(std::string_view text) {
  TagScanner scan(text);
  long long month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  if (!(scan.Number(month) && scan.Literal('/') && scan.Number(day) && scan.Literal('/') &&
        scan.Number(year) && scan.Literal(' ') && scan.Number(hour) && scan.Literal(':') &&
        scan.Number(minute) && scan.Literal(':') && scan.Number(second))) {
    return 0;
  }
  if (!FitsInt(month - 1) || !FitsInt(year - 1900)) {
    return 0;
  }
  std::tm tm{};
  tm.tm_mon = static_cast<int>(month - 1);
  tm.tm_mday = static_cast<int>(day);
  tm.tm_year = static_cast<int>(year - 1900);
  tm.tm_hour = static_cast<int>(hour);
  tm.tm_min = static_cast<int>(minute);
  tm.tm_sec = static_cast<int>(second);
  tm.tm_isdst = -1;
  errno = 0;
  const std::time_t tag = std::mktime(&tm);
  if (tag == static_cast<std::time_t>(-1) && errno != 0) {
    return 0;
  }
  // mktime has rolled the fields over into the date they mean.
  const long long normalizedYear = static_cast<long long>(tm.tm_year) + 1900;
  if (normalizedYear < kFirstYear || normalizedYear > kLastYear) {
    return 0;
  }
  return static_cast<TimeTag>(tag);
}

std::tm LocalTime(TimeTag seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::tm LocalTime(WallClock::time_point when) {
  return LocalTime(ToTimeTag(when));
}

TimeTag ToTimeTag(WallClock::time_point when) {
  return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
}

}  // namespace kestrix
