#include "station/encoding/character_encoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "station/config/station_mode.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/support/recording_code_output.h"

namespace kestrix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::LocalMoment;

// One encoder for a whole run, at a fixed local moment (TZ is Los Angeles).
struct Station {
  explicit Station(WallClock::time_point moment) : loop(moment) {}

  std::vector<int> Encode(std::string_view text, int mode) {
    for (const char ch : text) {
      encoder.EncodeCharacter(static_cast<unsigned char>(ch), mode);
    }
    return std::exchange(out.codes, {});
  }

  // ASCII and PSK31: the caller sends what ExpandMacro hands back.
  std::string SendRaw(std::string_view text, int mode = kModeAscii) {
    for (const char ch : text) {
      const int r = encoder.ExpandMacro(static_cast<unsigned char>(ch), mode);
      if (r != '^') {
        out.SendCode(r & 0x7F);
      }
    }
    std::string sent;
    for (const int code : std::exchange(out.codes, {})) {
      sent += static_cast<char>(code);
    }
    return sent;
  }

  testing::SimulatedEventLoop loop;
  testing::RecordingCodeOutput out;
  CharacterEncoder encoder{out, loop};
};

// Saturday afternoon, daylight saving time. A function, not a constant: the
// test zone is set in main, after static initialisation.
WallClock::time_point Saturday() {
  return LocalMoment(2001, 5, 12, 12, 35, 7);
}

struct Sequence {
  const char* what;
  int mode;
  std::string_view text;
  std::vector<int> codes;
};

TEST(CharacterEncoder, SendsTheCodeSequencesOfAFreshEncoder) {
  const Sequence sequences[] = {
      {"letters", kModeIta2, "AB", {31, 3, 25}},
      {"letter then figure", kModeIta2, "A1", {31, 3, 27, 23}},
      {"space in figures returns to letters", kModeIta2, "1 2", {27, 23, 4, 31, 27, 19}},
      {"line end", kModeIta2, "A\r\nB", {31, 3, 8, 8, 2, 31, 25}},
      {"CR after CR adds nothing", kModeIta2, "\r\r\n", {8, 8, 2, 31}},
      {"bare LF", kModeIta2, "\n", {8, 8, 2, 31}},
      {"LF after LF", kModeTelex, "\n\n", {8, 8, 2, 31, 8, 8, 2, 31}},
      {"military bell in figures", kModeMilitary, "12^13", {27, 23, 19, 27, 5, 31, 27, 1}},
      {"ITA2 bell", kModeIta2, "^1", {27, 11, 31}},
      {"TELEX bells end in letters", kModeTelex, "^2A", {27, 11, 11, 31, 3}},
      {"unknown macro letter is sent", kModeIta2, "^X", {31, 29}},
      {"caret zero is the digit", kModeIta2, "^0", {27, 22}},
      {"second caret still waits for the letter", kModeIta2, "^^1", {27, 11, 31}},
      {"ITA2 bang is a space", kModeIta2, "1!", {27, 23, 4, 31}},
      {"no-code character keeps the shift", kModeIta2, "A1<2", {31, 3, 27, 23, 19}},
      {"row 0 after a letter",
       kModeIta2,
       "A\xE9"
       "B",
       {31, 3, 0, 0, 31, 25}},
      {"grave accent", kModeMilitary, "A`B", {31, 3, 0, 0, 31, 25}},
      {"row 0 from the start",
       kModeIta2,
       "\xE9"
       "A",
       {0, 31, 3}},
      {"LTRS character in figures", kModeIta2, "1\x1F", {27, 23, 31, 31}},
      // The shift is not known at the start or after a blank; a space does
      // not make it known, so the letter after it sends its shift.
      {"space from the start", kModeIta2, " A", {4, 31, 3}},
      {"space after a blank in figures", kModeIta2, "1\xE9 A", {27, 23, 0, 0, 4, 31, 3}},
      {"FIGS character",
       kModeIta2,
       "\x1B"
       "1",
       {27, 23}},
  };
  for (const Sequence& s : sequences) {
    SCOPED_TRACE(s.what);
    Station station(Saturday());
    EXPECT_EQ(station.Encode(s.text, s.mode), s.codes);
  }
}

TEST(CharacterEncoder, StateCarriesOverBetweenFilesAndUnsentCharacters) {
  Station station(Saturday());
  station.Encode("DE 73", kModeIta2);
  EXPECT_THAT(station.Encode("CQ", kModeIta2), ElementsAre(31, 14, 23));

  station.Encode("A1", kModeIta2);
  EXPECT_THAT(station.Encode("<", kModeIta2), IsEmpty());
  EXPECT_EQ(station.encoder.ShiftState(), 27);
  EXPECT_EQ(station.encoder.LastCode(), 23);

  EXPECT_THAT(station.Encode("^^", kModeIta2), IsEmpty());
  EXPECT_TRUE(station.encoder.MacroPending());

  station.Encode("A\xE9", kModeIta2);
  EXPECT_EQ(station.encoder.ShiftState(), 0);
}

TEST(CharacterEncoder, RawModesSendBellsAndMacroTextAsCharacters) {
  Station station(Saturday());
  EXPECT_EQ(station.SendRaw("^1"), "\a");
  EXPECT_EQ(station.SendRaw("^3", kModePsk31), "\a\a\a");
  EXPECT_EQ(station.SendRaw("a^Tb"), "a12:35(PDT)b");
  EXPECT_EQ(station.SendRaw("^D"), "Saturday, May 12, 2001");
  EXPECT_EQ(station.SendRaw("^L"), "May 12, 2001");
  EXPECT_EQ(station.SendRaw("^U"), "19:35(UTC)");
  EXPECT_EQ(station.SendRaw("^W"), "Saturday");
  EXPECT_EQ(station.SendRaw("^d^l^t^u^w"),
            "Saturday, May 12, 2001May 12, 200112:35(PDT)19:35(UTC)Saturday");
  EXPECT_EQ(station.SendRaw("^Q"), "Q");
}

TEST(CharacterEncoder, DateAndTimeFormsInWinterAndEarlyInTheMonth) {
  Station station(LocalMoment(2001, 1, 2, 21, 5, 0));
  EXPECT_EQ(station.SendRaw("^D"), "Tuesday, January 2, 2001");
  EXPECT_EQ(station.SendRaw("^L"), "January 02, 2001");
  EXPECT_EQ(station.SendRaw("^T"), "21:05(PST)");
  EXPECT_EQ(station.SendRaw("^U"), "05:05(UTC)");
}

TEST(CharacterEncoder, FiveBitMacroTextIsEncodedInCapitals) {
  const auto fresh = [](std::string_view text, int mode) {
    return Station(Saturday()).Encode(text, mode);
  };
  EXPECT_EQ(fresh("^W", kModeIta2), fresh("SATURDAY", kModeIta2));
  EXPECT_EQ(fresh("^w", kModeTelex), fresh("SATURDAY", kModeTelex));
  EXPECT_EQ(fresh("^D", kModeIta2), fresh("SATURDAY, MAY 12, 2001", kModeIta2));
  EXPECT_EQ(fresh("^T", kModeMilitary), fresh("12:35(PDT)", kModeMilitary));
  EXPECT_EQ(fresh("^u", kModeTelex), fresh("19:35(UTC)", kModeTelex));
}

}  // namespace
}  // namespace kestrix
