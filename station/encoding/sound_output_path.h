#pragma once
// Codes as audio FSK through the sound keying thread. Codes handed over
// while no worker plays are lost, and LostBecause() tells why: a code kept
// for a later transmitter-on would go out of its context.

#include "station/audio/sound_keyer.h"
#include "station/config/station_settings.h"
#include "station/encoding/output_path.h"

namespace kestrix {

class SoundOutputPath final : public OutputPath {
 public:
  SoundOutputPath(SoundKeyer& keyer, const StationSettings& settings)
      : keyer_(keyer), settings_(settings) {}

  // Waits for a worker that is starting, and until it has taken the code
  // before.
  void Send(int code) override { keyer_.Send(code); }
  bool TrySend(int code) override { return Idle() && keyer_.TrySend(code); }
  bool Idle() override { return keyer_.Idle(); }
  std::string LostBecause() override;

 private:
  SoundKeyer& keyer_;
  const StationSettings& settings_;
};

}  // namespace kestrix
