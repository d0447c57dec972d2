#pragma once
// minimodem, the outside decoder the sound tests check against. The test
// command installs it, so a missing one is a failure, not a skip.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kestrix::testing {

// What `minimodem --rx -q ARGUMENTS` prints.
inline std::string RunMinimodem(const std::string& arguments) {
  const std::string command = "minimodem --rx -q " + arguments + " 2>/dev/null";
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
