#include "station/audio/sound.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/fake_wave_device.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::FakeWaveDevice;
using testing::FakeWaveDeviceState;

constexpr int kLength = 4;  // samples per buffer

class CSoundTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeWaveDeviceState> state = std::make_shared<FakeWaveDeviceState>();
  // A short wait stands for the 2 s one: only its outcome is looked at.
  CSound sound{std::make_unique<FakeWaveDevice>(state), 20ms};
  const double block[kLength] = {6701.9, -6701.9, 0.4, -1.0};

  long Write() { return sound.WriteOutput(block, kLength); }
};

TEST_F(CSoundTest, PlaysFromTheSixthBufferAndTruncatesTowardZero) {
  ASSERT_EQ(sound.OpenOutput({}, kLength, 0), 0);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Write(), kLength);
  }
  EXPECT_EQ(state->restarts, 0);
  EXPECT_EQ(Write(), kLength);
  EXPECT_EQ(state->restarts, 1);
  ASSERT_EQ(state->written.size(), 6u);
  // 6701 = 0x1A2D, -6701 = 0xE5D3, 0, -1 = 0xFFFF; low byte first.
  EXPECT_EQ(state->written[0],
            (std::vector<std::uint8_t>{0x2D, 0x1A, 0xD3, 0xE5, 0, 0, 0xFF, 0xFF}));
  state->CompleteAll();  // played dry: noted at the next write, which goes on
  EXPECT_EQ(Write(), kLength);
  EXPECT_EQ(sound.LastError(), kSoundUnderflow);
}

TEST_F(CSoundTest, AStalledDeviceTimesOutAndAClosedOutputRefuses) {
  ASSERT_EQ(sound.OpenOutput({}, kLength, 0), 0);
  for (int i = 0; i < 9; ++i) {
    ASSERT_EQ(Write(), kLength);
  }
  EXPECT_EQ(Write(), -1);  // the tenth finds no free buffer
  EXPECT_EQ(sound.LastError(), kSoundWriteTimeout);
  EXPECT_EQ(CSound::SoundErrorText(kSoundWriteTimeout), "Timed out waiting for output buffers");
  EXPECT_EQ(state->closes, 1);
  EXPECT_EQ(Write(), -1);
  EXPECT_EQ(sound.LastError(), kSoundNotOpenForWrite);
}

TEST_F(CSoundTest, AWriterWaitingForABufferGoesOnWhenTheDeviceHandsOneBack) {
  CSound patient{std::make_unique<FakeWaveDevice>(state), 10s};
  ASSERT_EQ(patient.OpenOutput({}, kLength, 0), 0);
  for (int i = 0; i < 9; ++i) {
    ASSERT_EQ(patient.WriteOutput(block, kLength), kLength);
  }
  // Before or during the tenth write's wait: either way it must go on.
  std::thread device([this] { state->CompleteOne(); });
  EXPECT_EQ(patient.WriteOutput(block, kLength), kLength);
  device.join();
  state->autoComplete = true;
  state->CompleteAll();
}

// The writer never fills a buffer the device still holds.
TEST_F(CSoundTest, ABufferIsReusedOnlyAfterTheDeviceHandsItBack) {
  CSound patient{std::make_unique<FakeWaveDevice>(state), 10s};
  ASSERT_EQ(patient.OpenOutput({}, kLength, 0), 0);
  std::thread device([this] {
    for (std::size_t seen = 10; seen <= 12; ++seen) {
      ASSERT_TRUE(state->WaitForWrites(seen));
      state->CompleteOne();
    }
  });
  for (int i = 0; i < 12; ++i) {
    const double distinct[kLength] = {double(i), 0, 0, 0};
    ASSERT_EQ(patient.WriteOutput(distinct, kLength), kLength);
  }
  device.join();
  state->autoComplete = true;
  state->CompleteAll();
  EXPECT_EQ(state->changedWhileHeld, 0);
  EXPECT_EQ(state->written.size(), 12u);
}

TEST_F(CSoundTest, ResetCountersLetsCloseDropWhatIsQueued) {
  ASSERT_EQ(sound.OpenOutput({}, kLength, 0), 0);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(Write(), kLength);
  }
  sound.ResetCounters();
  sound.CloseOutput();  // no waiting for the three: the device drops them
  EXPECT_EQ(sound.LastError(), 0);
  EXPECT_EQ(state->resets, 1);
  EXPECT_EQ(state->closes, 1);
}

TEST_F(CSoundTest, CloseStartsAWaitingDeviceAndPlaysOutAPartialBuffer) {
  state->autoComplete = true;
  ASSERT_EQ(sound.OpenOutput({}, kLength, 0), 0);
  ASSERT_EQ(Write(), kLength);
  ASSERT_EQ(sound.WriteOutput(block, 2), 2);
  EXPECT_EQ(state->restarts, 0);
  sound.CloseOutput();
  EXPECT_EQ(sound.LastError(), 0);
  ASSERT_EQ(state->written.size(), 2u);
  EXPECT_EQ(state->written[1].size(), 4u);  // the two samples of the partial buffer
  EXPECT_EQ(state->restarts, 1);
}

TEST_F(CSoundTest, AFailedOpenReturnsTheDeviceNumber) {
  state->openResult = kWaveBadDeviceId;
  EXPECT_EQ(sound.OpenOutput({}, kLength, 0), 2);
  EXPECT_EQ(CSound::SoundErrorText(2), "Device ID out of range");
  EXPECT_EQ(Write(), -1);
  EXPECT_EQ(CSound::SoundErrorText(117), "??? Maybe Input being used at\n a different sample rate");
}

}  // namespace
}  // namespace kestrix
