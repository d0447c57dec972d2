#pragma once
// "Kestrix.cfg": the operator's saved settings, 33 lines of one value and
// its field name each, in a fixed order. Restored at start-up after the
// initialization file, so saved values win. Window thread.

#include <string>

#include "common/event_log.h"
#include "station/app/clock_ticks.h"
#include "station/config/settings_menus.h"
#include "station/config/station_settings.h"

namespace kestrix {

class SavedConfiguration {
 public:
  static constexpr const char* kFileName = "Kestrix.cfg";
  static constexpr int kLineCount = 33;

  // The tick counters are the window clock's; they are saved with the
  // settings.
  SavedConfiguration(StationSettings& settings, ClockTicks& ticks, EventLog& log,
                     SettingsMenus& menus);

  // Writes the file anew; a file that cannot be created is not reported.
  void SaveConfiguration();
  enum class RestoreMoment {
    kAtStartUp,
    // The transmitter, the transmit-cycle flags, the tick counters and the
    // identification count keep what the running station is doing.
    kWhileRunning,
  };

  // Reads the file back line by line, logging each line, then sets the
  // sound card, Autostart, Header and recipient marks. No file: nothing
  // happens. Fields after the end of a short file keep their values.
  void RestoreConfiguration(RestoreMoment moment = RestoreMoment::kAtStartUp);

 private:
  StationSettings& settings_;
  ClockTicks& ticks_;
  EventLog& log_;
  SettingsMenus& menus_;
};

}  // namespace kestrix
