#pragma once
// Upper-casing of ASCII text: keys, commands and port names are matched
// without regard to case.

#include <cctype>
#include <string>

namespace kestrix {

inline std::string UpperCase(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

}  // namespace kestrix
