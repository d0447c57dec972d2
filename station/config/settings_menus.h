#pragma once
// Every item of the settings menus (Control, Mode, ComPort, BAUD_Rate,
// TU_Setup, Dovetron, SoundCard) by command id, so the menu bar and the
// script commands reach a setting through the same handler. Window thread.

#include <atomic>

#include "station/config/menu_controls.h"
#include "station/config/recipient_menu.h"
#include "station/config/serial_menus.h"
#include "station/config/sound_card_menu.h"
#include "station/config/station_settings.h"
#include "station/encoding/mode_selector.h"

namespace kestrix {

class SettingsMenus {
 public:
  SettingsMenus(StationSettings& settings, MenuControls& menus, ModeSelector& modes,
                SerialMenus& serial, SoundCardMenu& soundCards, RecipientMenu& recipients);

  // Runs the handler of `id`; false when `id` is not a settings item.
  bool OnCommand(int id);

  // Diddle, Header, Autostart, No Timer and Internet Link: a flag of 1
  // goes to 0, any other value to 1, and the mark follows.
  void Toggle(std::atomic<int>& flag, int id);
  // Marks of the toggles that show a setting (Diddle, Header, Auto CW ID
  // TImer, Autostart, No Timer), after it was set elsewhere.
  void ShowToggleMarks();
  // The toggles and the Mode, BAUD_Rate, TU_Setup and SoundCard marks, for
  // the settings in force. The ComPort mark shows the open port and is
  // left as it is.
  void ShowSettingMarks();

  bool InternetLink() const { return internetLink_ == 1; }
  SerialMenus& Serial() { return serial_; }
  SoundCardMenu& SoundCards() { return soundCards_; }
  RecipientMenu& Recipients() { return recipients_; }

 private:
  StationSettings& settings_;
  MenuControls& menus_;
  ModeSelector& modes_;
  SerialMenus& serial_;
  SoundCardMenu& soundCards_;
  RecipientMenu& recipients_;
  // Kept for the menu only; nothing in the station reads it.
  std::atomic<int> internetLink_{0};
};

}  // namespace kestrix
