#pragma once
// The station's serial port: opening it by name with the log lines and the
// fatal box an operator expects, closing it, and probing whether a port
// exists. The byte stream and the lines themselves are the SerialLine's.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
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

  // Run (on the window thread) when the device fails under a sender.
  void SetSwitchTransmitterOff(std::function<void()> work) {
    switchTransmitterOff_ = std::move(work);
  }

  // Any thread.
  bool IsOpen() const { return open_; }
  SerialLine& Line() { return line_; }

  // How long a character may take to leave the port before the device
  // counts as stalled: a few character times beyond the line's pace. Any
  // thread.
  std::chrono::milliseconds StallLimit() const { return stallLimit_.load(); }
  // A sender's report that the device stopped sending or refused a byte,
  // since `opening` (an Openings() value; a report about a port opened
  // again since is stale). The first is logged and switches the
  // transmitter off; codes for the port are dropped from then on, until a
  // transmitter-on or a new choice of port opens the device again. Any
  // thread.
  void ReportStall(std::uint64_t opening);
  void ReportWriteFailure(std::uint64_t opening, const std::string& why);
  // Why codes for the port are dropped; empty while the device works.
  std::string FailedBecause() const;
  bool Failed() const { return failed_; }
  // Transmitter-on: a device that failed is opened again with its settings.
  // Any thread.
  void RetryAfterFailure();

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
  std::function<void()> switchTransmitterOff_;
  EventLoop& loop_;
  std::atomic<bool> open_{false};
  std::atomic<std::chrono::milliseconds> stallLimit_{std::chrono::seconds(1)};
  std::atomic<bool> failed_{false};
  mutable std::mutex failureMutex_;  // guards the three below
  std::string failedBecause_;
  std::string openName_;  // the port's name and settings at its opening
  SerialLineSettings openSettings_;
  std::atomic<std::uint64_t> openings_{0};

  void Fail(std::uint64_t opening, const std::string& because, const std::string& logText);
  EventCondition openedOrClosed_;
};

}  // namespace kestrix
