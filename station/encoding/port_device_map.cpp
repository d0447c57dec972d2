#include "station/encoding/port_device_map.h"

#include <cstdlib>

#include "common/text_case.h"

namespace kestrix {

void PortDeviceMap::Map(const std::string& portName, const std::string& device) {
  mapped_[UpperCase(portName)] = device;
}

std::string PortDeviceMap::DeviceFor(const std::string& portName) const {
  auto it = mapped_.find(UpperCase(portName));
  if (it != mapped_.end()) {
    return it->second;
  }
  const int number = ComPortNumber(portName);
  if (number >= 1) {
    return "/dev/ttyS" + std::to_string(number - 1);
  }
  return portName;
}

int ComPortNumber(const std::string& portName) {
  const std::string upper = UpperCase(portName);
  if (upper.rfind("COM", 0) != 0) {
    return 0;
  }
  return std::atoi(upper.c_str() + 3);
}

}  // namespace kestrix
