#pragma once
// Codes as bytes on the serial port, one character in flight at a time.

#include "common/event_loop.h"
#include "station/encoding/output_path.h"
#include "station/encoding/serial_port.h"

namespace kestrix {

class SerialOutputPath final : public OutputPath {
 public:
  SerialOutputPath(SerialPort& port, EventLoop& loop) : port_(port), loop_(loop) {}

  // Returns once the byte has left the UART; codes for a closed port are
  // dropped. A refused byte is retried once the driver has room. A device
  // that fails a write, or keeps a byte beyond the port's stall limit, is
  // reported to the port, which drops codes from then on.
  void Send(int code) override;
  bool TrySend(int code) override;
  bool Idle() override;
  std::string LostBecause() override;

 private:
  SerialPort& port_;
  EventLoop& loop_;
};

}  // namespace kestrix
