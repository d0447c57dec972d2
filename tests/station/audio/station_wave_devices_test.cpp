#include "station/audio/station_wave_devices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "station/audio/alsa_wave_device.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

std::string AlsaName(const std::unique_ptr<WaveDevice>& device) {
  const auto* alsa = dynamic_cast<const AlsaWaveDevice*>(device.get());
  return alsa == nullptr ? "(not ALSA)" : alsa->Name();
}

StationWaveDevices::CardList Cards(std::vector<int> cards) {
  return [cards] { return cards; };
}

TEST(StationWaveDevices, ConfiguredWavPathRecordsToThatFile) {
  testing::TempWorkingDirectory dir;
  StationWaveDevices factory(WavFileDevice::Pacing::kUnpaced, Cards({}));
  const std::unique_ptr<WaveDevice> device = factory.Create(-1, "wav:out.wav");
  const auto* wav = dynamic_cast<const WavFileDevice*>(device.get());
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(wav->Path(), "out.wav");

  ASSERT_EQ(device->Open({}, [] {}), kWaveNoError);
  device->Close();
  EXPECT_EQ(testing::ReadFile("out.wav").substr(0, 4), "RIFF");
}

TEST(StationWaveDevices, ConfiguredAlsaNameOrDefault) {
  StationWaveDevices factory(WavFileDevice::Pacing::kUnpaced, Cards({0}));
  EXPECT_EQ(AlsaName(factory.Create(-1, "")), "default");
  EXPECT_EQ(AlsaName(factory.Create(-1, "hw:Loopback,1")), "hw:Loopback,1");
}

TEST(StationWaveDevices, CardNumbersFollowAlsasOrder) {
  StationWaveDevices factory(WavFileDevice::Pacing::kUnpaced, Cards({0, 2, 7}));
  EXPECT_EQ(AlsaName(factory.Create(0, "wav:ignored.wav")), "plughw:0,0");
  EXPECT_EQ(AlsaName(factory.Create(1, "wav:ignored.wav")), "plughw:2,0");
  EXPECT_EQ(AlsaName(factory.Create(2, "wav:ignored.wav")), "plughw:7,0");
}

TEST(StationWaveDevices, NumbersWithoutACardAreBadDeviceIds) {
  StationWaveDevices factory(WavFileDevice::Pacing::kUnpaced, Cards({0, 2, 7}));
  for (const int id : {3, 4, 5, 9, 99, -2}) {
    SCOPED_TRACE(id);
    const std::unique_ptr<WaveDevice> device = factory.Create(id, "");
    EXPECT_EQ(device->Open({}, [] {}), kWaveBadDeviceId);
    EXPECT_EQ(device->Restart(), kWaveBadDeviceId);
    const std::uint8_t sample[2] = {};
    EXPECT_EQ(device->Write(sample, 2), kWaveBadDeviceId);
    device->Reset();
    device->Close();
  }
}

// Real ALSA from here on; the machine's cards, if any, are left alone.
TEST(StationWaveDevices, CardBeyondThoseAlsaListsIsBadDeviceId) {
  StationWaveDevices factory(WavFileDevice::Pacing::kUnpaced);
  const int beyond = static_cast<int>(std::min<std::size_t>(AlsaCardIndexes().size(), 5));
  EXPECT_EQ(factory.Create(beyond, "")->Open({}, [] {}), kWaveBadDeviceId);
}

TEST(StationWaveDevices, UnknownAlsaNameIsBadDeviceId) {
  StationWaveDevices factory(WavFileDevice::Pacing::kUnpaced);
  EXPECT_EQ(factory.Create(-1, "kestrix_no_such_pcm")->Open({}, [] {}), kWaveBadDeviceId);
}

// ALSA's "null" PCM takes samples like a card, without one. Whether played
// or dropped, every buffer is reported by the time Reset returns.
TEST(StationWaveDevices, AlsaDeviceReportsEveryBuffer) {
  std::atomic<int> done{0};
  const std::vector<std::uint8_t> samples(2 * 800, 0);
  AlsaWaveDevice device("null");
  ASSERT_EQ(device.Open({}, [&] { ++done; }), kWaveNoError);
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(device.Write(samples.data(), samples.size()), kWaveNoError);
  }
  ASSERT_EQ(device.Restart(), kWaveNoError);
  device.Reset();
  EXPECT_EQ(done, 10);
  device.Close();
}

}  // namespace
}  // namespace kestrix
