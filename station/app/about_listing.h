#pragma once
// The About box's listing: the station's settings in words, the ports and
// the devices they open, the Linux keys of the initialization file, the
// script commands and the text macros.

#include <string>
#include <vector>

#include "station/config/station_settings.h"
#include "station/encoding/port_device_map.h"
#include "station/queue/script_help.h"

namespace kestrix {

class AboutListing {
 public:
  static constexpr int kHelpLines = 36;
  static constexpr int kPorts = 8;

  // `spelledCallSign` is the call sign with a blank after each character.
  static std::vector<std::string> Lines(const StationSettings& settings,
                                        const std::string& spelledCallSign, const ScriptHelp& help,
                                        const PortDeviceMap& ports);
};

}  // namespace kestrix
