#pragma once
// The serial line on Linux: termios (termios2 with BOTHER for rates without
// a constant, such as 45 baud), modem-control lines by ioctl, one byte in
// flight at a time.

#include "station/encoding/serial_line.h"

namespace kestrix {

class PosixSerialLine final : public SerialLine {
 public:
  PosixSerialLine();
  ~PosixSerialLine() override;
};

}  // namespace kestrix
