#pragma once
// The station's configuration: the initialization file, the saved
// configuration and the menus that show and change the settings (port and
// rate, sound card, recipient, mode and the toggles).

#include "common/event_log.h"
#include "station/app/clock_ticks.h"
#include "station/config/initialization_file.h"
#include "station/config/menu_controls.h"
#include "station/config/recipient_menu.h"
#include "station/config/saved_configuration.h"
#include "station/config/serial_menus.h"
#include "station/config/settings_menus.h"
#include "station/config/sound_card_menu.h"
#include "station/config/station_settings.h"
#include "station/encoding/mode_selector.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"

namespace kestrix {

class ConfigurationMenus {
 public:
  ConfigurationMenus(StationSettings& settings, EventLog& log, ClockTicks& ticks,
                     PortDeviceMap& portDevices, MenuControls& menus, SerialPort& port,
                     ModeSelector& modes, Transmitter& transmitter, TransmitBusy& busy);

  ConfigurationMenus(const ConfigurationMenus&) = delete;
  ConfigurationMenus& operator=(const ConfigurationMenus&) = delete;

  InitializationFile& Initialization() { return initializationFile_; }
  SerialMenus& Serial() { return serialMenus_; }
  SoundCardMenu& SoundCards() { return soundCardMenu_; }
  RecipientMenu& Recipients() { return recipientMenu_; }
  SettingsMenus& Menus() { return settingsMenus_; }
  SavedConfiguration& Configuration() { return savedConfiguration_; }

 private:
  InitializationFile initializationFile_;
  SerialMenus serialMenus_;
  SoundCardMenu soundCardMenu_;
  RecipientMenu recipientMenu_;
  SettingsMenus settingsMenus_;
  SavedConfiguration savedConfiguration_;
};

}  // namespace kestrix
