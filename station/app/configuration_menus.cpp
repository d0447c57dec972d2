#include "station/app/configuration_menus.h"

namespace kestrix {

ConfigurationMenus::ConfigurationMenus(StationSettings& settings, EventLog& log, ClockTicks& ticks,
                                       PortDeviceMap& portDevices, MenuControls& menus,
                                       SerialPort& port, ModeSelector& modes,
                                       Transmitter& transmitter, TransmitBusy& busy)
    : initializationFile_(settings, log, portDevices),
      serialMenus_(settings, log, menus, port, busy),
      soundCardMenu_(settings, menus),
      recipientMenu_(settings, log, menus),
      settingsMenus_(settings, menus, modes, serialMenus_, soundCardMenu_, recipientMenu_),
      savedConfiguration_(settings, ticks, log, settingsMenus_) {
  serialMenus_.SetRateChangedWork([&transmitter] { transmitter.FollowModeAndRate(); });
}

}  // namespace kestrix
