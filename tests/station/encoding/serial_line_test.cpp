#include "station/encoding/serial_line.h"

#include <gtest/gtest.h>

#include "tests/common_support/simulated_event_loop.h"
#include "tests/support/recording_serial_line.h"

namespace kestrix {
namespace {

TEST(SerialLineSettings, CharacterTimeCountsEveryBit) {
  // 1 + 5 + 1.5 bits at 45 baud; 1 + 7 + 1 + 2 at 110; 1 + 8 + 2 at 100.
  EXPECT_EQ(CharacterTime({.baud = 45, .dataBits = 5, .stopBitsCode = 1}).count(), 166'666);
  EXPECT_EQ(CharacterTime({.baud = 110, .dataBits = 7, .parity = 2, .stopBitsCode = 2}).count(),
            100'000);
  EXPECT_EQ(CharacterTime({.baud = 100, .dataBits = 8, .stopBitsCode = 1}).count(), 110'000);
}

// The tests pace bytes by the fake line's character time: it must be the
// real one for every framing.
TEST(SerialLineSettings, TheRecordingLineTakesTheRealCharacterTime) {
  testing::SimulatedEventLoop loop{WallClock::time_point{}};
  testing::RecordingSerialLine line{loop};
  const SerialLineSettings framings[] = {
      {.baud = 45, .dataBits = 5, .parity = 0, .stopBitsCode = 1},   // 1.5 stop bits
      {.baud = 110, .dataBits = 8, .parity = 0, .stopBitsCode = 0},  // 8N1
      {.baud = 110, .dataBits = 8, .parity = 0, .stopBitsCode = 1},  // two stop bits
      {.baud = 50, .dataBits = 7, .parity = 2, .stopBitsCode = 2},   // 7E2
      {.baud = 75, .dataBits = 5, .parity = 1, .stopBitsCode = 1},   // parity and 1.5
  };
  for (const SerialLineSettings& framing : framings) {
    line.Configure(framing);
    EXPECT_EQ(line.CharacterTime(), CharacterTime(framing))
        << framing.dataBits << " bits, parity " << framing.parity << ", stop code "
        << framing.stopBitsCode;
  }
}

}  // namespace
}  // namespace kestrix
