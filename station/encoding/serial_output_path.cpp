#include "station/encoding/serial_output_path.h"

#include <cstdint>

namespace kestrix {

void SerialOutputPath::Send(int code) {
  const auto byte = static_cast<std::uint8_t>(code);
  SerialLine& line = port_.Line();
  for (;;) {
    const std::uint64_t opening = port_.Openings();
    if (!port_.IsOpen() || port_.Failed()) {
      return;
    }
    const auto limit = port_.StallLimit();
    switch (line.WriteByte(byte)) {
      case ByteWrite::kTaken:
        if (!line.WaitUntilSent(loop_, limit)) {
          port_.ReportStall(opening);
        }
        return;
      case ByteWrite::kFailed:
        port_.ReportWriteFailure(opening, line.WriteFailure());
        return;
      case ByteWrite::kNoRoom:
        // The driver is full: it takes the byte once it has room.
        if (!line.WaitUntilSent(loop_, limit)) {
          port_.ReportStall(opening);
          return;
        }
        break;
    }
  }
}

bool SerialOutputPath::TrySend(int code) {
  return Idle() && port_.Line().WriteByte(static_cast<std::uint8_t>(code)) == ByteWrite::kTaken;
}

bool SerialOutputPath::Idle() {
  return port_.IsOpen() && !port_.Failed() && !port_.Line().OutputPending();
}

std::string SerialOutputPath::LostBecause() {
  return port_.FailedBecause();
}

}  // namespace kestrix
