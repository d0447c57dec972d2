#pragma once
// multimon-ng's Morse decoder, the outside reader of the identification.
// The test command installs it (with sox, which it reads WAV files
// through), so a missing one is a failure, not a skip.
//
// It is told the speed: with its automatic timing it takes a dash for three
// dots, and our keying (dash two dots, gaps 1.4 dots inside a character) is
// the control line's, tick for tick. Dit and gap units between ours keep its
// thresholds between a dot and a dash and between the gaps inside and after
// a character. Its word space needs five gap units, more than ours: it
// prints no blanks, so they are left out here.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kestrix::testing {

inline std::string RunMultimonMorse(const std::string& wavFile, int morseTickMs) {
  const std::string command = "multimon-ng -q -t wav -a MORSE_CW -y -d " +
                              std::to_string(6 * morseTickMs) + " -g " +
                              std::to_string(10 * morseTickMs) + " " + wavFile + " 2>/dev/null";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << command;
    return "";
  }
  std::string out;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c != ' ' && c != '\n') {
      out += static_cast<char>(c);
    }
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return out;
}

}  // namespace kestrix::testing
