#include "station/audio/sound_keying_thread.h"

#include <gtest/gtest.h>

#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/fsk_block_reader.h"
#include "tests/support/keyed_bursts.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class CProcThreadTest : public ::testing::Test {
 protected:
  CProcThreadTest() {
    std::filesystem::create_directory("log");
    devices.state->autoComplete = true;  // an unpaced card
  }

  // The 16-bit samples of a block as the ring stores them.
  static std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
  }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::FakeStationWindow window;
  StationSettings settings;
  EventLog log{loop, window.eventList, window.messageBox};
  testing::FakeWaveDeviceFactory devices;
  ToneState tones;
  int switchedOff = 0;
  SoundKeyingContext context{
      settings, loop, log, window.messageBox, devices, tones, [this] { ++switchedOff; }};
  SoundKeyingThread keying{context};
};

TEST_F(CProcThreadTest, PlaysIdleMarkInBlocksOfOneCharacter) {
  settings.soundCardID = -1;
  settings.QERVSoundDevice = "wav:air.wav";
  settings.halfShift = 85.0;
  keying.Start(SoundSignal{8000, 2210});
  ASSERT_TRUE(devices.state->WaitForWrites(3));
  keying.Stop([] {});

  EXPECT_EQ(devices.requests.front(), (std::pair<int, std::string>{-1, "wav:air.wav"}));
  std::lock_guard lock(devices.state->mutex);
  ASSERT_GE(devices.state->written.size(), 3u);
  EXPECT_EQ(devices.state->written[0].size(), 2u * 1320);

  // The same idle block from a fresh generator, at the ring's resolution.
  ToneState reference;
  reference.halfShift = 85.0;
  CMSKGen generator(reference);
  generator.Init(8000, 2210, 45.45);
  std::vector<double> block(1320);
  generator.GenerateCharacter(block.data(), 1320, 0, 5);
  CGenerators().ApplyGain(1320, block.data(), CGenerators::kGain);
  const auto samples = Samples(devices.state->written[0]);
  for (int i = 0; i < 1320; ++i) {
    ASSERT_EQ(samples[i], static_cast<std::int16_t>(block[i])) << i;
  }
  EXPECT_EQ(devices.state->pending, 0);  // everything written was played
}

TEST_F(CProcThreadTest, ACardThatCannotBeOpenedIsReportedAndSwitchesTheTransmitterOff) {
  devices.state->openResult = kWaveBadDeviceId;
  settings.soundCardID = 4;
  keying.Start(SoundSignal{8000, 2210});
  while (switchedOff == 0) {
    loop.WaitForNextEvent();
  }
  EXPECT_TRUE(window.messageBox.shown.size() == 1 &&
              window.messageBox.shown[0].text == "Device ID out of range");
  ASSERT_FALSE(window.eventList.lines.empty());
  EXPECT_EQ(window.eventList.lines[0].substr(11), "Sound card : Device ID out of range");
  EXPECT_EQ(keying.State(), SoundPathState::kFailed);
  EXPECT_FALSE(keying.Send(4));
  keying.Stop([] {});
  EXPECT_EQ(keying.State(), SoundPathState::kFailed);  // until the next start
  EXPECT_EQ(switchedOff, 1);
  EXPECT_TRUE(devices.state->written.empty());
}

TEST_F(CProcThreadTest, AFailedWriteEndsTheWorkerAndSwitchesTheTransmitterOff) {
  devices.state->failWritesFrom = 2;
  keying.Start(SoundSignal{8000, 2210});
  while (switchedOff == 0) {
    loop.WaitForNextEvent();
  }
  EXPECT_EQ(window.eventList.lines.back().substr(11), "Sound card : Error writing to wave file");
  EXPECT_EQ(keying.State(), SoundPathState::kFailed);
  EXPECT_EQ(devices.state->OpenNow(), 0);
}

// The identification on the sound path: the keyed tone on the mark
// frequency takes the place of the FSK idle, element for element, and the
// idle comes back after it.
TEST_F(CProcThreadTest, MorseTakesThePlaceOfTheIdleOnTheMarkToneAndGivesItBack) {
  settings.halfShift = 85.0;
  devices.state->autoComplete = false;  // the worker waits on a full ring meanwhile
  keying.Start(SoundSignal{8000, 2210, 5, 45.45, 2125, 6, true});
  ASSERT_TRUE(devices.state->WaitForWrites(CSound::kBufferCount));
  for (const MorseElement& element :
       {MorseElement{false, 50}, MorseElement{true, 10}, MorseElement{false, 14},
        MorseElement{true, 20}, MorseElement{false, 14}, MorseElement{false, 13}}) {
    keying.KeyMorse(element);  // "A", after a lead-in
  }
  {
    std::lock_guard lock(devices.state->mutex);
    devices.state->autoComplete = true;
  }
  devices.state->CompleteAll();
  // Margin, lead-in and letter, the hold, then some of the FSK idle again.
  ASSERT_TRUE(devices.state->WaitForWrites(CSound::kBufferCount + 45));
  keying.Stop([] {});

  std::vector<double> air;
  {
    std::lock_guard lock(devices.state->mutex);
    air = testing::SamplesOf(devices.state->written);
  }
  const std::vector<testing::Burst> bursts = testing::KeyedBurstSpans(air);
  ASSERT_EQ(bursts.size(), 4u);
  EXPECT_NEAR(bursts[1].length, 480, 16);  // a dot of 10 ticks of 6 ms
  EXPECT_NEAR(bursts[2].length, 960, 16);  // a dash of 20
  EXPECT_GT(bursts[3].length, 8000);       // the idle again
  // Element gap 14 ticks, with the edges.
  EXPECT_NEAR(static_cast<double>(bursts[2].start - bursts[1].start), 480 + 672, 16);
  // The dash sounds on the mark tone, not the space tone.
  EXPECT_NEAR(testing::ToneFrequency(air, bursts[2].start + 80, 800), 2125, 15);
}

// Codes handed over while the next worker waits for the card go to it;
// transmitter-off returns once the worker has let go of the card.
TEST_F(CProcThreadTest, ACodeSentWhileTheCardChangesHandsWaitsForTheNewWorker) {
  keying.Start(SoundSignal{8000, 2210});
  ASSERT_TRUE(devices.state->WaitForWrites(1));
  devices.state->holdClose = true;
  bool sent = false;
  loop.PostAfter(0s, [&] { sent = keying.Send(27); });
  loop.PostAfter(5s, [this] { devices.state->ReleaseClose(); });
  keying.Start(SoundSignal{8000, 2380});  // new tones: a new worker, once the old one let go
  EXPECT_TRUE(sent);
  EXPECT_EQ(devices.state->maxOpen, 1);
  EXPECT_EQ(devices.requests.size(), 2u);

  keying.Stop([] {});
  EXPECT_EQ(keying.State(), SoundPathState::kOff);
  EXPECT_EQ(devices.state->OpenNow(), 0);
  EXPECT_FALSE(keying.Send(4));
  EXPECT_EQ(switchedOff, 0);
}

// A new framing (a mode or rate changed while on) is a new worker, even on
// the same tones; the code handed over last still goes out as it was sent.
TEST_F(CProcThreadTest, ANewFramingRestartsTheWorkerAfterItsLastCode) {
  devices.state->autoComplete = false;  // the ring fills: the worker waits for the card
  settings.halfShift = 85.0;
  const SoundSignal military{8000, 2210, 5, 45.45};
  keying.Start(military);
  ASSERT_TRUE(devices.state->WaitForWrites(CSound::kBufferCount));
  EXPECT_TRUE(keying.Send(27));
  keying.Start(military);  // the same signal plays on
  EXPECT_EQ(devices.requests.size(), 1u);

  loop.PostAfter(1s, [this] {
    {
      std::lock_guard lock(devices.state->mutex);
      devices.state->autoComplete = true;
    }
    devices.state->CompleteAll();
  });
  keying.Start(SoundSignal{8000, 2210, 8, 45.45});
  {
    // The new worker has played a block (the long limit only turns a hang
    // into a failure).
    std::unique_lock lock(devices.state->mutex);
    ASSERT_TRUE(devices.state->changed.wait_for(
        lock, 30s, [this] { return devices.state->written.back().size() == 2 * 1936; }));
  }
  keying.Stop([] {});

  EXPECT_EQ(devices.requests.size(), 2u);
  EXPECT_EQ(devices.state->maxOpen, 1);
  std::lock_guard lock(devices.state->mutex);
  const auto& written = devices.state->written;
  const auto ascii = std::ranges::find(written, 2u * 1936, &std::vector<std::uint8_t>::size);
  ASSERT_NE(ascii, written.end());
  EXPECT_TRUE(
      std::all_of(ascii, written.end(), [](const auto& b) { return b.size() == 2 * 1936; }));
  const testing::FskBlockReader reader(45.45, 5);
  EXPECT_EQ(
      std::count_if(written.begin(), ascii, [&](const auto& b) { return reader.Code(b) == 27; }),
      1);
}

}  // namespace
}  // namespace kestrix
