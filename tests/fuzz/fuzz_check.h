#pragma once
// A broken invariant in a fuzz target: says which, then aborts, which
// libFuzzer (and a replay run) reports as a crash with the input.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace kestrix::fuzzing {

inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
  }
}

// A text as C would write it, for the report of a broken invariant.
inline std::string Escaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      escaped += '\\';
      escaped += c;
    } else if (code >= 0x20 && code < 0x7F) {
      escaped += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", code);
      escaped += hex;
    }
  }
  return escaped;
}

// Two texts that must be the same; both are shown when they are not.
inline void RequireSame(std::string_view got, std::string_view expected, const char* what) {
  if (got != expected) {
    std::fprintf(stderr, "got:      \"%s\"\nexpected: \"%s\"\n", Escaped(got).c_str(),
                 Escaped(expected).c_str());
  }
  Require(got == expected, what);
}

}  // namespace kestrix::fuzzing
