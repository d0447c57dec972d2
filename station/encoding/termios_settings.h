#pragma once
// The kernel's termios2 fields for one set of line settings. termios2 (with
// BOTHER) is the only way to ask Linux for a rate that has no B constant,
// such as 45 or 56 baud, but its header <asm/termbits.h> redefines what
// <termios.h> defines. So only termios_settings.cpp includes the kernel
// header, and this interface carries the fields as plain integers.

#include <cstdint>
#include <optional>

#include "station/encoding/serial_line.h"

namespace kestrix {

struct LineTermios {
  std::uint32_t cflag = 0;
  std::uint32_t iflag = 0;
  std::uint32_t oflag = 0;
  std::uint32_t lflag = 0;
  std::uint32_t ispeed = 0;
  std::uint32_t ospeed = 0;
};

// Raw, no flow control, receiver on, modem status ignored, lines left as
// they are on close; the rate exactly `settings.baud` both ways. Nothing
// when the settings cannot be framed by a UART (unknown codes, no rate).
std::optional<LineTermios> ComputeLineTermios(const SerialLineSettings& settings);

// Sets `termios` on `fd` at once (TCSETS2) and reads the rate back. False
// when the driver refuses, or runs the line more than 2 % off the rate.
bool ApplyLineTermios(int fd, const LineTermios& termios);

}  // namespace kestrix
