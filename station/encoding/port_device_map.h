#pragma once
// Which device a port name opens: "COM1".."COM8" are /dev/ttyS0..7 unless
// the operator maps a name to another device (a USB adapter is
// /dev/ttyUSB0). Names that are not COMn and not mapped are used as paths.

#include <map>
#include <string>

namespace kestrix {

class PortDeviceMap {
 public:
  void Map(const std::string& portName, const std::string& device);
  std::string DeviceFor(const std::string& portName) const;

 private:
  std::map<std::string, std::string> mapped_;  // upper-case port name -> device
};

// The number after "COM" in a port name, or 0 when there is none.
int ComPortNumber(const std::string& portName);

}  // namespace kestrix
