#include "station/audio/sound_keying_thread.h"

#include <gtest/gtest.h>

#include "tests/support/fake_wave_device.h"
#include "tests/support/recording_controls.h"
#include "tests/support/simulated_event_loop.h"
#include "tests/support/temp_working_directory.h"

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
  SoundKeyingThreads threads{context};
};

TEST_F(CProcThreadTest, PlaysIdleMarkInBlocksOfOneCharacter) {
  settings.soundCardID = -1;
  settings.QERVSoundDevice = "wav:air.wav";
  settings.halfShift = 85.0;
  auto keyer = threads.Create();
  keyer->Start(8000, 2210);
  ASSERT_TRUE(devices.state->WaitForWrites(3));
  keyer->RequestStop();
  keyer.reset();
  threads.Create();  // waits for the worker to end

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
  auto keyer = threads.Create();
  keyer->Start(8000, 2210);
  while (switchedOff == 0) {
    loop.WaitForNextEvent();
  }
  EXPECT_TRUE(window.messageBox.shown.size() == 1 &&
              window.messageBox.shown[0].text == "Device ID out of range");
  ASSERT_FALSE(window.eventList.lines.empty());
  EXPECT_EQ(window.eventList.lines[0].substr(11), "Sound card : Device ID out of range");
  threads.Create();
  EXPECT_TRUE(devices.state->written.empty());
}

}  // namespace
}  // namespace kestrix
