#pragma once
// minimodem, the outside decoder the sound tests check against. The test
// command installs it, so a missing one is a failure, not a skip.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kestrix::testing {

// What `minimodem --rx -q -l 20 ARGUMENTS` prints. The frames' stop element
// is one or two whole bits (the bit clock never stops), and minimodem's
// quick search now and then settles on a wrong alignment for those: "-l 20"
// lets it search them fully.
inline std::string RunMinimodem(const std::string& arguments) {
  const std::string command = "minimodem --rx -q -l 20 " + arguments + " 2>/dev/null";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << command;
    return "";
  }
  std::string out;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
    out.append(chunk, n);
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return out;
}

}  // namespace kestrix::testing
