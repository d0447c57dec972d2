#pragma once
// The station's serial port: opening it by name with the log lines and the
// fatal box an operator expects, closing it, and probing whether a port
// exists. The byte stream and the lines themselves are the SerialLine's.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "common/event_condition.h"
#include "common/event_log.h"
#include "common/message_box.h"
#include "station/config/station_settings.h"
#include "station/config/tx_line.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/serial_line.h"

namespace kestrix {

class SerialPort {
 public:
  using EndProcess = std::function<void(int status)>;

  SerialPort(SerialLine& line, EventLoop& loop, const PortDeviceMap& devices,
             StationSettings& settings, EventLog& log, MessageBox& box, EndProcess endProcess);

  // Opens `name` (closing the open port first) with the whole baud of
  // `baud`. A port that cannot be opened is fatal: the operator is told and
  // the program ends with status -1. Returns 0.
  int OpenSerialPort(const std::string& name, float baud, int parity, int dataBits,
                     int stopBitsCode);
  void CloseSerialPort();
  // 0 when the port's device can be opened for reading now, else -1.
  int ProbePort(const std::string& name);

  // Run before the fatal box: the box waits for an operator who may not
  // be there, and nothing may keep the transmitter keyed meanwhile.
  void SetBeforeFatalBox(std::function<void()> work) { beforeFatalBox_ = std::move(work); }

  // Run after every successful open: the open drops RTS and DTR, which a
  // transmitter that is on wants raised again.
  void SetAfterOpen(std::function<void()> work) { afterOpen_ = std::move(work); }

  // Raises or drops one modem-control line (the transmit or the keying
  // line); nothing while the port is closed or for ControlLine::kNone.
  void SetControlLine(ControlLine line, bool on);

  // Any thread.
  bool IsOpen() const { return open_; }
  SerialLine& Line() { return line_; }

  // Any thread: returns once the port has been closed or opened again since
  // `opening` (an Openings() value). Blocks off the window thread; on it,
  // dispatches events meanwhile.
  void WaitForAnotherOpening(std::uint64_t opening);
  // Counts opens and closes.
  std::uint64_t Openings() const { return openings_; }

 private:
  SerialLine& line_;
  const PortDeviceMap& devices_;
  StationSettings& settings_;
  EventLog& log_;
  MessageBox& box_;
  EndProcess endProcess_;
  std::function<void()> beforeFatalBox_;
  std::function<void()> afterOpen_;
  std::atomic<bool> open_{false};
  std::atomic<std::uint64_t> openings_{0};
  EventCondition openedOrClosed_;
};

}  // namespace kestrix
