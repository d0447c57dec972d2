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
      openedOrClosed_(loop) {}

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
  line_.Configure({static_cast<int>(baud), dataBits, parity, stopBitsCode});
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

int SerialPort::ProbePort(const std::string& name) {
  return line_.Probe(devices_.DeviceFor(name)) ? 0 : -1;
}

}  // namespace kestrix
