#pragma once
// Numbers as text, the same whatever the user's language settings: "." is
// the decimal point in the log, the saved files and the dialogs, even when
// a library has set a comma-decimal C locale for the whole process.

#include <locale.h>
#include <stdlib.h>

#include <array>
#include <charconv>
#include <optional>
#include <string>

namespace kestrix {

namespace number_text_detail {

// The "C" numeric locale, handed to the _l functions so the process's
// locale never takes part.
inline locale_t CNumeric() {
  static const locale_t c = ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  return c;
}

template <typename Number, typename... Format>
std::string ToText(Number value, Format... format) {
  // Room for the longest fixed double: 309 digits, sign, point, decimals.
  std::array<char, 400> text;
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value, format...);
  if (result.ec != std::errc{}) {
    return "?";
  }
  return std::string(text.data(), result.ptr);
}

}  // namespace number_text_detail

// printf's "%.*f": FixedText(2125.0) is "2125.000000", nan is "nan".
inline std::string FixedText(double value, int decimals = 6) {
  return number_text_detail::ToText(value, std::chars_format::fixed, decimals);
}

// The shortest text that reads back as the same number: 45.45f is "45.45".
inline std::string ShortestText(float value) {
  return number_text_detail::ToText(value);
}
inline std::string ShortestText(double value) {
  return number_text_detail::ToText(value);
}

// strtod's reading (leading white space, sign, digits with ".", exponent,
// inf, nan; too large gives infinity). Moves `text` past the number;
// nothing when the text does not begin with one.
inline std::optional<double> ReadDouble(const char*& text) {
  char* end = nullptr;
  const double value = ::strtod_l(text, &end, number_text_detail::CNumeric());
  if (end == text) {
    return std::nullopt;
  }
  text = end;
  return value;
}

// The same into a 32-bit float, rounded once (as sscanf's "%f").
inline std::optional<float> ReadFloat(const char*& text) {
  char* end = nullptr;
  const float value = ::strtof_l(text, &end, number_text_detail::CNumeric());
  if (end == text) {
    return std::nullopt;
  }
  text = end;
  return value;
}

// atof's reading: the leading number, 0 when there is none.
inline double LeadingDouble(const char* text) {
  return ReadDouble(text).value_or(0.0);
}
inline float LeadingFloat(const char* text) {
  return ReadFloat(text).value_or(0.0f);
}

}  // namespace kestrix
