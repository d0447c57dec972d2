#pragma once
// Which RS-232 control line switches the transmitter (and carries the Morse
// elements). The values are the ids of the "TU_Setup" menu items.

#include <string_view>

namespace kestrix {

enum TxLineId : int {
  ID_RS232CONTROL_DISABLED = 32806,
  ID_RS232CONTROL_RTS = 32807,
  ID_RS232CONTROL_DTR = 32808,
  ID_RS232CONTROL_RTSXMIT = 32809,  // RTS transmit, DTR for the CW identification
  ID_RS232CONTROL_DTRXMIT = 32810,  // DTR transmit, RTS for the CW identification
};

enum class ControlLine { kNone, kRts, kDtr };

// The line that switches the transmitter for a TxLine value.
constexpr ControlLine TransmitLine(int txLine) {
  switch (txLine) {
    case ID_RS232CONTROL_RTS:
    case ID_RS232CONTROL_RTSXMIT:
      return ControlLine::kRts;
    case ID_RS232CONTROL_DTR:
    case ID_RS232CONTROL_DTRXMIT:
      return ControlLine::kDtr;
    default:
      return ControlLine::kNone;
  }
}

// The line that keys the CW identification: the settings that name a line
// of its own use it, the others key the transmit line.
constexpr ControlLine IdentificationLine(int txLine) {
  switch (txLine) {
    case ID_RS232CONTROL_RTSXMIT:
      return ControlLine::kDtr;
    case ID_RS232CONTROL_DTRXMIT:
      return ControlLine::kRts;
    default:
      return TransmitLine(txLine);
  }
}

// The text of a TxLine value in the port's log line.
constexpr std::string_view TxLinePortText(int txLine) {
  switch (txLine) {
    case ID_RS232CONTROL_RTS:
      return "RTS=xmit";
    case ID_RS232CONTROL_DTR:
      return "DTR=xmit";
    case ID_RS232CONTROL_RTSXMIT:
      return "RTS=xmit DTR=cwid";
    case ID_RS232CONTROL_DTRXMIT:
      return "DTR=xmit DTR=cwid";
    default:
      return "Not set";
  }
}

// The name of a TxLine value, as "Setting RS-232 control to " logs it.
constexpr std::string_view TxLineName(int txLine) {
  switch (txLine) {
    case ID_RS232CONTROL_RTS:
      return "ID_RS232CONTROL_RTS";
    case ID_RS232CONTROL_DTR:
      return "ID_RS232CONTROL_DTR";
    case ID_RS232CONTROL_RTSXMIT:
      return "ID_RS232CONTROL_RTSXMIT";
    case ID_RS232CONTROL_DTRXMIT:
      return "ID_RS232CONTROL_DTRXMIT";
    default:
      return "ID_RS232CONTROL_DISABLED";
  }
}

}  // namespace kestrix
