#pragma once
// The tones of the sound path as the "Sound Card Frequency Setup" dialog
// shows and takes them. Window thread.

#include <string>

#include "station/config/station_settings.h"

namespace kestrix {

struct SoundCardSetupTexts {
  std::string mark;
  std::string space;
  std::string shift;  // worked out once, when the dialog opens
};

class SoundCardSetup {
 public:
  // "%f" of markTone, spaceTone and their difference, with "." whatever
  // the user's language settings.
  static SoundCardSetupTexts Start(const StationSettings& settings);
  // OK: each text's leading number (0 when it has none, "." as the point)
  // becomes the tone.
  // No range check: the operator's numbers are taken as they are.
  static void Accept(StationSettings& settings, const std::string& mark, const std::string& space);
};

}  // namespace kestrix
