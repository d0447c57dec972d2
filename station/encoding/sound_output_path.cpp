#include "station/encoding/sound_output_path.h"

namespace kestrix {

std::string SoundOutputPath::LostBecause() {
  switch (keyer_.State()) {
    case SoundPathState::kFailed:
      return "the sound card failed";
    case SoundPathState::kOff:
      // On, yet no worker: switched on in PSK31 or CW, and the mode changed since.
      return settings_.transmitOn ? "the sound card was not started with the transmitter"
                                  : "the transmitter is off";
    case SoundPathState::kStarting:
    case SoundPathState::kRunning:
      break;
  }
  return {};
}

}  // namespace kestrix
