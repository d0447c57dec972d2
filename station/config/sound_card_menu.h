#pragma once
// The SoundCard menu's five choices and their check mark. Window thread.

#include "station/config/menu_controls.h"
#include "station/config/station_settings.h"

namespace kestrix {

class SoundCardMenu {
 public:
  SoundCardMenu(StationSettings& settings, MenuControls& menus);

  // One of menu::kSoundNone .. menu::kSoundCard4; other ids do nothing.
  void SelectSoundCard(int menuId);
  // Checks the item whose command stores the current soundCardID. A value
  // no item stores checks "No Sound (use RS-232 for data)", except 3 (the
  // fourth device, which no item names), which leaves all five unchecked.
  void ShowSoundCard();

 private:
  StationSettings& settings_;
  MenuControls& menus_;
};

}  // namespace kestrix
