#include "station/audio/station_wave_devices.h"

#include <string>
#include <utility>

#include "station/audio/alsa_wave_device.h"

namespace kestrix {
namespace {

constexpr int kConfiguredDevice = -1;
constexpr int kCardNumbers = 5;
constexpr char kWavPrefix[] = "wav:";

// Stands for a soundCardID with no device behind it.
class MissingWaveDevice final : public WaveDevice {
 public:
  int Open(const WaveFormat&, BufferDone) override { return kWaveBadDeviceId; }
  int Restart() override { return kWaveBadDeviceId; }
  int Write(const std::uint8_t*, std::size_t) override { return kWaveBadDeviceId; }
  void Reset() override {}
  void Close() override {}
};

}  // namespace

StationWaveDevices::StationWaveDevices(WavFileDevice::Pacing wavPacing, CardList cards)
    : wavPacing_(wavPacing), cards_(cards ? std::move(cards) : CardList(AlsaCardIndexes)) {}

std::unique_ptr<WaveDevice> StationWaveDevices::Create(int soundCardID,
                                                       const std::string& configured) {
  if (soundCardID == kConfiguredDevice) {
    if (configured.starts_with(kWavPrefix)) {
      return std::make_unique<WavFileDevice>(configured.substr(sizeof kWavPrefix - 1), wavPacing_);
    }
    return std::make_unique<AlsaWaveDevice>(configured.empty() ? "default" : configured);
  }
  if (soundCardID >= 0 && soundCardID < kCardNumbers) {
    const std::vector<int> cards = cards_();
    if (static_cast<std::size_t>(soundCardID) < cards.size()) {
      return std::make_unique<AlsaWaveDevice>("plughw:" + std::to_string(cards[soundCardID]) +
                                              ",0");
    }
  }
  return std::make_unique<MissingWaveDevice>();
}

}  // namespace kestrix
