#pragma once
// Small text helpers: upper- and lower-casing (keys, commands and port names are
// matched without regard to case) and spelling out (the call sign in the
// window title and the About box).

#include <string>

namespace kestrix {

// ASCII letters only, whatever the locale: other bytes stay as they are.
constexpr unsigned char UpperCase(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

inline std::string UpperCase(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(UpperCase(static_cast<unsigned char>(c)));
  }
  return text;
}

constexpr unsigned char LowerCase(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}
inline std::string LowerCase(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(LowerCase(static_cast<unsigned char>(c)));
  }
  return text;
}

// "N0CALL" -> "N 0 C A L L ".
inline std::string SpelledOut(const std::string& text) {
  std::string spelled;
  for (char c : text) {
    spelled += c;
    spelled += ' ';
  }
  return spelled;
}

}  // namespace kestrix
