#include "station/encoding/serial_port.h"

#include <cstdio>

#include "common/number_text.h"
#include "station/config/tx_line.h"

namespace kestrix {

SerialPort::SerialPort(SerialLine& line, EventLoop& loop, const PortDeviceMap& devices,
                       StationSettings& settings, EventLog& log, MessageBox& box,
                       EndProcess endProcess)
    : line_(line),
      devices_(devices),
      settings_(settings),
      log_(log),
      box_(box),
      endProcess_(std::move(endProcess)),
      loop_(loop),
      openedOrClosed_(loop) {}

namespace {

// Beyond the pace of the line, a margin for a busy machine and a driver
// that hands bytes to the UART in bursts.
constexpr int kStallCharacters = 4;
constexpr std::chrono::milliseconds kStallMargin{500};

std::chrono::milliseconds StallLimitFor(const SerialLineSettings& settings) {
  return std::chrono::ceil<std::chrono::milliseconds>(kStallCharacters * CharacterTime(settings)) +
         kStallMargin;
}

}  // namespace

int SerialPort::OpenSerialPort(const std::string& name, float baud, int parity, int dataBits,
                               int stopBitsCode) {
  if (open_) {
    CloseSerialPort();
    log_.LogEvent("Comm Port \"" + settings_.m_CommPort + "\" closed");
  }
  settings_.m_CommPort = name;

  if (!line_.Open(devices_.DeviceFor(name))) {
    log_.LogEvent("OpenSerialPort : Could not open comm port [ " + name + " ]; the station ends.");
    if (beforeFatalBox_) {
      beforeFatalBox_();
    }
    box_.ShowAndWait(
        "Could not open comm port [ " + name +
            " ],\nthis is a fatal error. Port does \nnot exist or is already occupied.\n\n"
            "Please check system for available ports.\n\nExiting on your OK",
        "Kestrix2010 Comm Port Critical Error", MessageBoxIcon::kStop);
    endProcess_(-1);
    return -1;
  }

  char line[160];
  std::snprintf(line, sizeof line, "\"%s\" BAUD=%s Bits=%d Parity=%d Stopbits=%d %s", name.c_str(),
                FixedText(settings_.BAUD.load(), 1).c_str(), dataBits, parity, stopBitsCode,
                std::string(TxLinePortText(settings_.TxLine)).c_str());
  log_.LogEvent(line);

  // A refused setting is not reported: the port stays open as it is.
  const SerialLineSettings lineSettings{static_cast<int>(baud), dataBits, parity, stopBitsCode};
  line_.Configure(lineSettings);
  stallLimit_ = StallLimitFor(lineSettings);
  {
    std::lock_guard lock(failureMutex_);
    openName_ = name;
    openSettings_ = lineSettings;
    failedBecause_.clear();
    failed_ = false;
  }
  open_ = true;
  ++openings_;
  openedOrClosed_.Notify();
  line_.SetDtr(false);
  line_.SetRts(false);
  if (afterOpen_) {
    afterOpen_();
  }
  return 0;
}

void SerialPort::CloseSerialPort() {
  if (!open_) {
    return;
  }
  line_.Close();
  open_ = false;
  ++openings_;
  openedOrClosed_.Notify();
}

void SerialPort::WaitForAnotherOpening(std::uint64_t opening) {
  openedOrClosed_.WaitUntil([&] { return openings_ != opening; });
}

void SerialPort::SetControlLine(ControlLine line, bool on) {
  if (!open_) {
    return;
  }
  switch (line) {
    case ControlLine::kRts:
      line_.SetRts(on);
      break;
    case ControlLine::kDtr:
      line_.SetDtr(on);
      break;
    case ControlLine::kNone:
      break;
  }
}

void SerialPort::Fail(std::uint64_t opening, const std::string& because,
                      const std::string& logText) {
  {
    std::lock_guard lock(failureMutex_);
    if (failed_ || !open_ || openings_ != opening) {
      return;
    }
    failedBecause_ = because;
    failed_ = true;
  }
  log_.LogEvent(logText);
  if (switchTransmitterOff_) {
    loop_.Post(switchTransmitterOff_);
  }
}

void SerialPort::ReportStall(std::uint64_t opening) {
  std::string name;
  {
    std::lock_guard lock(failureMutex_);
    name = openName_;
  }
  Fail(opening, "the comm port stalled",
       "Comm Port \"" + name + "\" : no character left the port for " +
           std::to_string(StallLimit().count()) + " ms; transmitter switched off");
}

void SerialPort::ReportWriteFailure(std::uint64_t opening, const std::string& why) {
  // A line closed under the sender was closed on purpose.
  if (!line_.IsOpen()) {
    return;
  }
  std::string name;
  {
    std::lock_guard lock(failureMutex_);
    name = openName_;
  }
  Fail(opening, "the comm port failed",
       "Comm Port \"" + name + "\" : writing failed (" + why + "); transmitter switched off");
}

std::string SerialPort::FailedBecause() const {
  std::lock_guard lock(failureMutex_);
  return failedBecause_;
}

void SerialPort::RetryAfterFailure() {
  std::string name;
  SerialLineSettings lineSettings;
  {
    std::lock_guard lock(failureMutex_);
    if (!failed_ || !open_) {
      return;
    }
    name = openName_;
    lineSettings = openSettings_;
  }
  line_.Close();
  if (!line_.Open(devices_.DeviceFor(name))) {
    // Not fatal here: the station stays up, and the next transmitter-on
    // tries again.
    log_.LogEvent("Comm Port \"" + name + "\" cannot be opened again; codes for it are dropped");
    return;
  }
  line_.Configure(lineSettings);
  {
    std::lock_guard lock(failureMutex_);
    failedBecause_.clear();
    failed_ = false;
  }
  ++openings_;
  openedOrClosed_.Notify();
  line_.SetDtr(false);
  line_.SetRts(false);
  log_.LogEvent("Comm Port \"" + name + "\" opened again");
  if (afterOpen_) {
    afterOpen_();
  }
}

int SerialPort::ProbePort(const std::string& name) {
  return line_.Probe(devices_.DeviceFor(name)) ? 0 : -1;
}

}  // namespace kestrix
