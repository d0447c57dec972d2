#include "station/encoding/serial_output_path.h"

#include <cstdint>

namespace kestrix {

void SerialOutputPath::Send(int code) {
  const auto byte = static_cast<std::uint8_t>(code);
  SerialLine& line = port_.Line();
  for (;;) {
    const std::uint64_t opening = port_.Openings();
    if (!port_.IsOpen()) {
      return;
    }
    if (line.WriteByte(byte)) {
      break;
    }
    if (line.OutputPending()) {
      // The driver is full: it takes the byte once it has room.
      line.WaitUntilSent(loop_);
      continue;
    }
    // Drained between the refusal and the look, or the device is gone (a
    // pulled USB adapter fails every write).
    if (line.WriteByte(byte)) {
      break;
    }
    if (loop_.IsWindowThread()) {
      // The operator may close or change the port meanwhile.
      loop_.WaitForNextEvent();
    } else {
      port_.WaitForAnotherOpening(opening);
    }
  }
  line.WaitUntilSent(loop_);
}

bool SerialOutputPath::TrySend(int code) {
  return Idle() && port_.Line().WriteByte(static_cast<std::uint8_t>(code));
}

bool SerialOutputPath::Idle() {
  return port_.IsOpen() && !port_.Line().OutputPending();
}

}  // namespace kestrix
