// The sound path follows a change of mode or rate made while the
// transmitter is on: a schedule switches mode between files, an operator
// picks a mode or rate from the menu during a pause.

#include <gtest/gtest.h>

#include "tests/station/app/scheduled_files.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/fsk_block_reader.h"
#include "tests/support/keyed_bursts.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::FskBlockReader;
using Kind = testing::RecordingSerialLine::Kind;

// A fake card that hands every buffer back at once, and COM1 open.
class StationModeChangeTest : public testing::StationTest {
 protected:
  StationModeChangeTest() {
    waveDevices.state->autoComplete = true;
    StartWith("QERVSOUNDCARDID=-1\nQERVCOMMPORT=\"COM1\"\n");
  }
  void Script(const std::string& command) {
    station.QueuePart().Scripts().RunScriptCommand(command);
  }
  // The cycle sends `text` as the next file.
  void SendFile(const std::string& text) {
    testing::ScheduleFiles(station, {{"news.txt", text}});
    loop.RunFor(60s);
    station.TransmitPart().Transmit().CmRX();
  }
  // The worker has set up and plays.
  void TransmitterOnAndPlaying() {
    Script("TX");
    ASSERT_TRUE(waveDevices.state->WaitForWrites(1));
  }
  std::size_t Written() { return waveDevices.state->WrittenCount(); }
  std::vector<std::vector<std::uint8_t>> WrittenFrom(std::size_t first) {
    std::lock_guard lock(waveDevices.state->mutex);
    const auto& written = waveDevices.state->written;
    return {written.begin() + static_cast<std::ptrdiff_t>(first), written.end()};
  }
  // Every block from `first` on is `samples` long.
  bool AllBlocksHold(std::size_t first, std::size_t samples) {
    const auto blocks = WrittenFrom(first);
    return !blocks.empty() && std::ranges::all_of(blocks, [samples](const auto& block) {
      return block.size() == 2 * samples;
    });
  }
};

TEST_F(StationModeChangeTest, AFiveBitModeChosenWhileOnInCwStartsAWorkerForTheNextFile) {
  Script("CW");
  Script("TX");
  ASSERT_EQ(waveDevices.requests.size(), 1u);  // for the Morse tone
  ASSERT_TRUE(waveDevices.state->WaitForWrites(1));
  ASSERT_TRUE(AllBlocksHold(0, 256));
  Script("MIL");
  EXPECT_EQ(waveDevices.requests.size(), 2u);
  const std::size_t from = Written();
  SendFile("CQ DE N0CALL\r\n");

  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
  EXPECT_EQ(FskBlockReader(45.45, 5).Text(WrittenFrom(from)), "CQ DE N0CALL\n");
  EXPECT_EQ(waveDevices.state->maxOpen, 1);
  EXPECT_TRUE(line.Bytes().empty());
}

// A VOX radio would stay on the air with mark tone while Morse is keyed:
// in CW the card plays only the keyed tone.
TEST_F(StationModeChangeTest, CwChosenWhileOnKeysTheTextAsToneWithoutFsk) {
  Script("RTS");
  TransmitterOnAndPlaying();
  ASSERT_EQ(waveDevices.state->OpenNow(), 1);
  Script("CW");
  ASSERT_EQ(waveDevices.requests.size(), 2u);
  const std::size_t from = Written();
  const std::size_t rts = line.EventsOf(Kind::kRts).size();
  SendFile("EE\r\n");

  EXPECT_TRUE(Logged("Completed sending <news.txt>."));
  EXPECT_GE(line.EventsOf(Kind::kRts).size(), rts + 3);  // two dots keyed
  EXPECT_EQ(waveDevices.state->maxOpen, 1);
  // Two dots of 10 ticks at 6 ms, 480 samples each.
  EXPECT_TRUE(AllBlocksHold(from, 256));
  const std::vector<int> bursts = testing::KeyedBursts(testing::SamplesOf(WrittenFrom(from)));
  ASSERT_EQ(bursts.size(), 2u);
  for (int burst : bursts) {
    EXPECT_NEAR(burst, 480, 16);
  }
}

TEST_F(StationModeChangeTest, PskChosenWhileOnStopsTheWorker) {
  TransmitterOnAndPlaying();
  ASSERT_EQ(waveDevices.state->OpenNow(), 1);
  Script("PSK31");
  EXPECT_EQ(settings.MODE, kModePsk31);
  EXPECT_EQ(waveDevices.state->OpenNow(), 0);
  station.TransmitPart().Transmit().CmRX();
}

TEST_F(StationModeChangeTest, FiveBitFramingFollowsAModeChangeFromAsciiWhileOn) {
  Script("ASCII");
  TransmitterOnAndPlaying();
  ASSERT_TRUE(AllBlocksHold(0, 1936));
  Script("MIL");
  const std::size_t from = Written();
  SendFile("RYRY DE N0CALL\r\n");

  EXPECT_TRUE(AllBlocksHold(from, 1320));
  EXPECT_EQ(FskBlockReader(45.45, 5).Text(WrittenFrom(from)), "RYRY DE N0CALL\n");
  EXPECT_EQ(waveDevices.state->maxOpen, 1);
  EXPECT_TRUE(line.Bytes().empty());
}

TEST_F(StationModeChangeTest, ARateChangeWhileOnTakesEffectAtOnce) {
  TransmitterOnAndPlaying();
  Script("B50");
  const std::size_t from = Written();
  SendFile("RYRY DE N0CALL\r\n");

  EXPECT_TRUE(AllBlocksHold(from, 1200));
  EXPECT_EQ(FskBlockReader(50.0, 5).Text(WrittenFrom(from)), "RYRY DE N0CALL\n");
  EXPECT_EQ(waveDevices.state->maxOpen, 1);
}

}  // namespace
}  // namespace kestrix
