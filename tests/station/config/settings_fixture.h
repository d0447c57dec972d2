#pragma once
// The settings menus and the saved configuration on the transmit side of
// the simulated clock, with a recording serial line that has COM1 and COM2.

#include "station/config/recipient_menu.h"
#include "station/config/saved_configuration.h"
#include "station/config/serial_menus.h"
#include "station/config/settings_menus.h"
#include "station/config/sound_card_menu.h"
#include "tests/station/encoding/transmit_side_fixture.h"

namespace kestrix::testing {

class SettingsTest : public TransmitSideTest {
 protected:
  SettingsTest() {
    line.devices = {"/dev/ttyS0", "/dev/ttyS1"};
    menus.SetItemText(menu::kRecipientOther, "OTHER@");
  }

  SerialMenus serial{settings, log, menus, port, busy};
  SoundCardMenu soundCards{settings, menus};
  RecipientMenu recipients{settings, log, menus};
  SettingsMenus settingsMenus{settings, menus, modes, serial, soundCards, recipients};
  SavedConfiguration configuration{settings, clock.Ticks(), log, settingsMenus};
};

}  // namespace kestrix::testing
