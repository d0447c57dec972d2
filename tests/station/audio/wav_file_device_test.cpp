#include "station/audio/wav_file_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using Samples = std::vector<std::int16_t>;
using testing::ReadFile;
using testing::WriteFile;

// Counts done reports; a wait gives up after a long time only so that a
// hang fails instead of stalling the suite. Held, a report keeps the device
// thread until Release().
class DoneCounter {
 public:
  WaveDevice::BufferDone Callback() {
    return [this] {
      std::unique_lock lock(mutex_);
      ++count_;
      changed_.notify_all();
      changed_.wait(lock, [&] { return !held_; });
    };
  }
  void Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }
  void Release() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }
  bool WaitFor(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 30s, [&] { return count_ >= count; });
  }
  int Count() {
    std::lock_guard lock(mutex_);
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
  bool held_ = false;
};

std::vector<std::uint8_t> Bytes(const Samples& samples) {
  std::vector<std::uint8_t> bytes;
  for (const std::int16_t s : samples) {
    const auto u = static_cast<std::uint16_t>(s);
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

std::uint32_t Le(const std::string& s, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = value << 8 | static_cast<std::uint8_t>(s[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

using Fmt = std::vector<std::uint32_t>;  // tag, channels, rate, byte rate, align, bits

struct Wav {
  Fmt fmt;
  Samples samples;
};

// Parses the 44-byte header the device writes, checking every size against
// the file's length.
Wav ParseWav(const std::string& file) {
  Wav wav;
  if (file.size() < 44) {
    ADD_FAILURE() << "only " << file.size() << " bytes";
    return wav;
  }
  EXPECT_EQ(file.substr(0, 4), "RIFF");
  EXPECT_EQ(Le(file, 4, 4), file.size() - 8);
  EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le(file, 16, 4), 16u);
  wav.fmt = {Le(file, 20, 2), Le(file, 22, 2), Le(file, 24, 4),
             Le(file, 28, 4), Le(file, 32, 2), Le(file, 34, 2)};
  EXPECT_EQ(file.substr(36, 4), "data");
  EXPECT_EQ(Le(file, 40, 4), file.size() - 44);
  for (std::size_t at = 44; at + 1 < file.size(); at += 2) {
    wav.samples.push_back(static_cast<std::int16_t>(Le(file, at, 2)));
  }
  return wav;
}

Samples Join(Samples a, const Samples& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Samples kFirst = {0, 1, -1, 32767, -32768, 0x1234};
const Samples kSecond = {-2, 7, 0x7F00};

class WavFileDeviceTest : public ::testing::Test {
 protected:
  int Open(WavFileDevice& d, WaveFormat format = {}) { return d.Open(format, done.Callback()); }

  testing::TempWorkingDirectory dir;
  DoneCounter done;
  const std::vector<std::uint8_t> first = Bytes(kFirst);
  const std::vector<std::uint8_t> second = Bytes(kSecond);
};

// A full file is kept under the next free number and recording goes on in
// a new one; nothing is lost at the change.
TEST_F(WavFileDeviceTest, AFullFileIsKeptAndRecordingGoesOnInANewOne) {
  WriteFile("out.wav.1", "an older recording");
  // Room for the header and the first buffer only.
  WavFileDevice device("out.wav", WavFileDevice::Pacing::kUnpaced, 44 + first.size());
  ASSERT_EQ(Open(device), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  ASSERT_EQ(device.Write(first.data(), first.size()), kWaveNoError);
  ASSERT_EQ(device.Write(second.data(), second.size()), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(2));
  device.Close();
  EXPECT_EQ(ReadFile("out.wav.1"), "an older recording");
  EXPECT_EQ(ParseWav(ReadFile("out.wav.2")).samples, kFirst);
  EXPECT_EQ(ParseWav(ReadFile("out.wav")).samples, kSecond);
}

TEST_F(WavFileDeviceTest, PlaysInOrderIntoAFileValidAfterEveryBuffer) {
  WavFileDevice device("out.wav", WavFileDevice::Pacing::kUnpaced);
  ASSERT_EQ(Open(device), kWaveNoError);
  EXPECT_TRUE(ParseWav(ReadFile("out.wav")).samples.empty());
  ASSERT_EQ(device.Write(first.data(), first.size()), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(1));
  const Wav wav = ParseWav(ReadFile("out.wav"));
  EXPECT_EQ(wav.fmt, (Fmt{1, 1, 8000, 16000, 2, 16}));
  EXPECT_EQ(wav.samples, kFirst);

  ASSERT_EQ(device.Write(second.data(), second.size()), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(2));
  EXPECT_EQ(ParseWav(ReadFile("out.wav")).samples, Join(kFirst, kSecond));
  device.Close();
  EXPECT_EQ(ParseWav(ReadFile("out.wav")).samples, Join(kFirst, kSecond));
  EXPECT_EQ(done.Count(), 2);
}

// Reset returns only after every dropped buffer is reported. The first
// report holds the device thread while another buffer is queued: a device
// that ignored the pause would take that buffer the moment it goes on.
TEST_F(WavFileDeviceTest, OpensPausedAndResetDropsWhatIsQueued) {
  WavFileDevice device("out.wav", WavFileDevice::Pacing::kUnpaced);
  ASSERT_EQ(Open(device), kWaveNoError);
  for (std::size_t i = 0; i < QueuedWaveDevice::kQueueCapacity; ++i) {
    ASSERT_EQ(device.Write(first.data(), first.size()), kWaveNoError);
  }
  EXPECT_EQ(device.Write(first.data(), first.size()), QueuedWaveDevice::kQueueFullError);
  done.Hold();
  std::thread resetter([&] { device.Reset(); });
  EXPECT_TRUE(done.WaitFor(1));
  EXPECT_EQ(device.Write(first.data(), first.size()), kWaveNoError);
  done.Release();
  resetter.join();
  device.Reset();
  EXPECT_EQ(done.Count(), 17);
  EXPECT_TRUE(ParseWav(ReadFile("out.wav")).samples.empty());

  ASSERT_EQ(device.Write(second.data(), second.size()), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(18));
  device.Close();
  EXPECT_EQ(ParseWav(ReadFile("out.wav")).samples, kSecond);
}

TEST_F(WavFileDeviceTest, ReopeningAppendsToTheSameFormat) {
  {
    WavFileDevice device("out.wav", WavFileDevice::Pacing::kUnpaced);
    ASSERT_EQ(Open(device), kWaveNoError);
    ASSERT_EQ(device.Write(first.data(), first.size()), kWaveNoError);
    ASSERT_EQ(device.Restart(), kWaveNoError);
    ASSERT_TRUE(done.WaitFor(1));
    device.Close();
    ASSERT_EQ(Open(device), kWaveNoError);
    ASSERT_EQ(device.Write(second.data(), second.size()), kWaveNoError);
    ASSERT_EQ(device.Restart(), kWaveNoError);
    ASSERT_TRUE(done.WaitFor(2));
  }  // the destructor closes
  EXPECT_EQ(ParseWav(ReadFile("out.wav")).samples, Join(kFirst, kSecond));

  WavFileDevice other("out.wav", WavFileDevice::Pacing::kUnpaced);
  ASSERT_EQ(Open(other, {.channels = 1, .sampleRate = 16000, .bitsPerSample = 16}), kWaveNoError);
  ASSERT_EQ(other.Write(second.data(), second.size()), kWaveNoError);
  ASSERT_EQ(other.Restart(), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(3));
  other.Close();
  const Wav wav = ParseWav(ReadFile("out.wav"));
  EXPECT_EQ(wav.fmt, (Fmt{1, 1, 16000, 32000, 2, 16}));
  EXPECT_EQ(wav.samples, kSecond);
}

// What a crash or another program may leave: bytes past the data chunk's
// size are cut off, and a size past the end counts the whole frames there.
TEST_F(WavFileDeviceTest, AppendingKeepsTheWholeFramesOfTheDataChunk) {
  {
    WavFileDevice device("out.wav", WavFileDevice::Pacing::kUnpaced);
    ASSERT_EQ(Open(device), kWaveNoError);
  }
  const std::string header = ReadFile("out.wav");
  const std::vector<std::uint8_t> kept = Bytes({5, 6});
  int played = 0;
  for (const auto& [declared, tail] : {std::pair{'\4', "junk"}, std::pair{'\x64', "x"}}) {
    SCOPED_TRACE(tail);
    std::string file = header + std::string(kept.begin(), kept.end()) + tail;
    file[40] = declared;
    WriteFile("out.wav", file);
    WavFileDevice device("out.wav", WavFileDevice::Pacing::kUnpaced);
    ASSERT_EQ(Open(device), kWaveNoError);
    ASSERT_EQ(device.Write(first.data(), first.size()), kWaveNoError);
    ASSERT_EQ(device.Restart(), kWaveNoError);
    ASSERT_TRUE(done.WaitFor(++played));
    device.Close();
    EXPECT_EQ(ParseWav(ReadFile("out.wav")).samples, Join({5, 6}, kFirst));
  }

  WriteFile("junk.wav", "RIFF....WAVE but nothing a player could use");
  WavFileDevice junk("junk.wav", WavFileDevice::Pacing::kUnpaced);
  ASSERT_EQ(Open(junk), kWaveNoError);
  junk.Close();
  EXPECT_EQ(ReadFile("junk.wav").size(), 44u);
  EXPECT_TRUE(ParseWav(ReadFile("junk.wav")).samples.empty());
}

TEST_F(WavFileDeviceTest, UnwritablePathIsAWriteError) {
  WavFileDevice device("no_such_dir/out.wav", WavFileDevice::Pacing::kUnpaced);
  EXPECT_EQ(Open(device), kWaveFileWriteError);
  EXPECT_EQ(device.Write(first.data(), first.size()), QueuedWaveDevice::kNotOpenError);
  EXPECT_EQ(device.Restart(), QueuedWaveDevice::kNotOpenError);
  device.Close();
}

// At one sample a second a small buffer plays for minutes: Reset and Close
// end its wait at once, and the next buffer is paced from when it comes,
// not from the end of the abandoned one.
TEST_F(WavFileDeviceTest, ResetAndCloseCutAPacedBufferShort) {
  const WaveFormat slow{.channels = 1, .sampleRate = 1, .bitsPerSample = 16};
  const std::vector<std::uint8_t> none;
  const std::vector<std::uint8_t> minutes(2 * 600, 0);
  WavFileDevice device("out.wav", WavFileDevice::Pacing::kRealTime);
  ASSERT_EQ(Open(device, slow), kWaveNoError);
  ASSERT_EQ(device.Write(none.data(), 0), kWaveNoError);
  ASSERT_EQ(device.Write(minutes.data(), minutes.size()), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(1));
  device.Reset();
  EXPECT_EQ(done.Count(), 2);

  ASSERT_EQ(device.Write(none.data(), 0), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(3));
  ASSERT_EQ(device.Write(minutes.data(), minutes.size()), kWaveNoError);
  device.Close();
  EXPECT_EQ(done.Count(), 4);
}

TEST(WavPlaybackPace, BuffersFollowEachOtherWithoutDrift) {
  const PlaybackPace::Clock::time_point start{1h};
  PlaybackPace pace(3);
  EXPECT_EQ(pace.Next(start, 1), start + 333333333ns);
  EXPECT_EQ(pace.Next(start + 1ms, 1), start + 666666666ns);
  EXPECT_EQ(pace.Next(start + 2ms, 1), start + 1s);
  // Ready exactly when the last one ends: still the same run.
  EXPECT_EQ(pace.Next(start + 1s, 3), start + 2s);
}

TEST(WavPlaybackPace, ALateBufferOrARestartStartsANewRun) {
  const PlaybackPace::Clock::time_point start{1h};
  PlaybackPace pace(8000);
  EXPECT_EQ(pace.Next(start, 8000), start + 1s);
  EXPECT_EQ(pace.Next(start + 3s, 4000), start + 3500ms);
  pace.Restart();
  EXPECT_EQ(pace.Next(start + 3100ms, 800), start + 3200ms);
}

// A device whose buffers fail, succeed, or block until aborted.
class FakeDevice final : public QueuedWaveDevice {
 public:
  static constexpr int kPlaybackError = 42;
  enum class Play { kSucceed, kFail, kBlockUntilAborted };

  explicit FakeDevice(Play play) : QueuedWaveDevice(kPlaybackError), play_(play) {}
  ~FakeDevice() override { Close(); }

  void WaitUntilPlaying() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return plays > 0; });
  }

  std::atomic<int> plays{0};
  std::atomic<int> discards{0};
  std::atomic<int> drains{0};

 private:
  int OpenDevice(const WaveFormat&) override { return kWaveNoError; }
  bool PlayBuffer(const std::uint8_t*, std::size_t) override {
    std::unique_lock lock(mutex_);
    ++plays;
    changed_.notify_all();
    if (play_ == Play::kBlockUntilAborted) {
      changed_.wait(lock, [&] { return PlaybackAborted(); });
    }
    return play_ != Play::kFail;
  }
  void AbortPlayback() override {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  void DiscardPlayed() override { ++discards; }
  void Drain() override { ++drains; }
  void CloseDevice() override {}

  const Play play_;
  std::mutex mutex_;
  std::condition_variable changed_;
};

TEST(WavQueuedDevice, ResetAbortsTheBufferPlayingAndDropsTheRest) {
  DoneCounter done;
  const std::uint8_t buffer[2] = {};
  FakeDevice device(FakeDevice::Play::kBlockUntilAborted);
  ASSERT_EQ(device.Open({}, done.Callback()), kWaveNoError);
  EXPECT_EQ(device.Open({}, done.Callback()), kWaveAllocated);
  ASSERT_EQ(device.Write(buffer, 2), kWaveNoError);
  ASSERT_EQ(device.Write(buffer, 2), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  device.WaitUntilPlaying();
  device.Reset();
  EXPECT_EQ(done.Count(), 2);
  EXPECT_EQ(device.plays, 1);
  EXPECT_EQ(device.discards, 1);
  device.Close();
  EXPECT_EQ(device.drains, 0);
}

// The sound ring resets after its last buffer came back: that cuts nothing.
TEST(WavQueuedDevice, DrainsAtCloseOnlyWhenNothingWasCutShort) {
  DoneCounter done;
  const std::uint8_t buffer[2] = {};
  FakeDevice device(FakeDevice::Play::kSucceed);
  ASSERT_EQ(device.Open({}, done.Callback()), kWaveNoError);
  ASSERT_EQ(device.Write(buffer, 2), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(1));
  device.Reset();
  device.Close();
  EXPECT_EQ(device.drains, 1);
  EXPECT_EQ(device.discards, 0);

  ASSERT_EQ(device.Open({}, done.Callback()), kWaveNoError);
  ASSERT_EQ(device.Write(buffer, 2), kWaveNoError);
  device.Close();  // still paused: dropped, not played
  EXPECT_EQ(done.Count(), 2);
  EXPECT_EQ(device.plays, 1);
  EXPECT_EQ(device.discards, 1);
  EXPECT_EQ(device.drains, 1);
}

TEST(WavQueuedDevice, AFailedBufferEndsPlaybackWithTheDeviceError) {
  DoneCounter done;
  const std::uint8_t buffer[2] = {};
  FakeDevice device(FakeDevice::Play::kFail);
  ASSERT_EQ(device.Open({}, done.Callback()), kWaveNoError);
  ASSERT_EQ(device.Write(buffer, 2), kWaveNoError);
  ASSERT_EQ(device.Write(buffer, 2), kWaveNoError);
  ASSERT_EQ(device.Restart(), kWaveNoError);
  ASSERT_TRUE(done.WaitFor(2));
  EXPECT_EQ(device.plays, 1);
  EXPECT_EQ(device.Write(buffer, 2), FakeDevice::kPlaybackError);
  EXPECT_EQ(device.Restart(), FakeDevice::kPlaybackError);
}

}  // namespace
}  // namespace kestrix
