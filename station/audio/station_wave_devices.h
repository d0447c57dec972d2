#pragma once
// The wave device behind a soundCardID.
//
//   -1     the initialization file's QERVSoundDevice, given to Create:
//          "wav:PATH" records to the WAV file PATH, any other text is an
//          ALSA PCM name, and none means ALSA's "default".
//   0..4   the sound cards in ALSA's own order, the order in which
//          `aplay -l` lists them: 0 is the first card listed, 1 the
//          second, and so on, each opened as "plughw:<card>,0" (its first
//          device, converting rate and format as needed).
//
// Any other number, or a card number beyond the cards there are, gives a
// device whose Open fails with kWaveBadDeviceId ("Device ID out of
// range"). The cards are counted again at every Create, so a card plugged
// in meanwhile counts.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "station/audio/wav_file_device.h"
#include "station/audio/wave_device.h"

namespace kestrix {

class StationWaveDevices final : public WaveDeviceFactory {
 public:
  // The card indexes in their listed order; AlsaCardIndexes by default.
  using CardList = std::function<std::vector<int>()>;

  explicit StationWaveDevices(WavFileDevice::Pacing wavPacing, CardList cards = {});

  // `configured` is the QERVSoundDevice text.
  std::unique_ptr<WaveDevice> Create(int soundCardID, const std::string& configured) override;

 private:
  WavFileDevice::Pacing wavPacing_;
  CardList cards_;
};

}  // namespace kestrix
