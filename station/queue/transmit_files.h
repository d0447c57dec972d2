#pragma once
// Where the transmit side finds the files it sends: always under "data/",
// whatever the configured data directory is (schedules and received mail
// use that one). Paths are cut to 255 characters.

#include <string>

namespace kestrix {

inline constexpr const char* kTransmitDirectory = "data";
inline constexpr std::size_t kMaxTransmitPath = 255;

inline std::string TransmitFilePath(const std::string& name) {
  return (std::string(kTransmitDirectory) + "/" + name).substr(0, kMaxTransmitPath);
}

}  // namespace kestrix
