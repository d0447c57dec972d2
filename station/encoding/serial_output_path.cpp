#include "station/encoding/serial_output_path.h"

#include <cstdint>

namespace kestrix {

void SerialOutputPath::Send(int code) {
  for (;;) {
    if (!port_.IsOpen()) {
      return;
    }
    if (port_.Line().WriteByte(static_cast<std::uint8_t>(code))) {
      break;
    }
    // Not taken: wait for the next event rather than spin (a pulled USB
    // adapter fails every write; the operator can still cancel).
    loop_.WaitForNextEvent();
  }
  port_.Line().WaitUntilSent(loop_);
}

bool SerialOutputPath::TrySend(int code) {
  return Idle() && port_.Line().WriteByte(static_cast<std::uint8_t>(code));
}

bool SerialOutputPath::Idle() {
  return port_.IsOpen() && !port_.Line().OutputPending();
}

}  // namespace kestrix
