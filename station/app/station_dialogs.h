#pragma once
// Windows the main window opens on demand from its menus. Each is built
// with its own subsystem; until then the station says it has none. Each
// returns at once: an open window never holds what goes on the air.

namespace kestrix {

class StationDialogs {
 public:
  virtual ~StationDialogs() = default;
  virtual void ShowScheduleEditor() = 0;
  virtual void ShowSoundCardSetup() = 0;
};

}  // namespace kestrix
