#include "station/queue/script_help.h"

namespace kestrix {

ScriptHelp::ScriptHelp()
    : lines_{
          "$-- --------------------------------------",
          "$RX       // Transmitter OFF",
          "$TX       // Transmiter ON",
          "$PON      // Power ON",
          "$POFF     // Power OFF",
          "$ASCII    // MODE = ASCII",
          "$MILITARY // MODE = MILITARY",
          "$ITA2     // MODE = ITA2",
          "$TELEX    // MODE = TELEX",
          "$PSK31    // MODE = PSK31",
          "$PSK=xxx.x// Set PSK Center Freq",
          "$CW       // MODE = real CW",
          "",
          "$CWTimer  // Starts 1 Hour CW ID",
          "$CWStop   // Stops  1 Hour CW ID",
          "$B45      // BAUD = 45.45",
          "$B50      // BAUD = 50.0",
          "$B56      // BAUD = 56.9",
          "$B74      // BAUD = 74.4",
          "$B100     // BAUD = 100.0",
          "$B110     // BAUD = 110.0",
          "$B150     // BAUD = 150.0",
          "$B300     // BAUD = 300.0",
          "$B600     // BAUD = 600.0",
          "$B1200    // BAUD = 1200.0",
          "$B2400    // BAUD = 2400.0",
          "$B9600    // BAUD = 9600.0",
          "$B19200   // BAUD = 19200.0",
          "$B33600   // BAUD = 33600.0",
          "$B56000   // BAUD = 56000.0",
          "$FSK=xxx.x// Set FSK Center Freq",
          "$F1500    // PSK Freq = 1500",
          "$F1600    // PSK Freq = 1600",
          "$F1700    // PSK Freq = 1700",
          "$F1800    // PSK Freq = 1800",
          "$F1900    // PSK Freq = 1900",
          "$F2000    // PSK Freq = 2000",
          "$F2100    // PSK Freq = 2100",
          "$RELOAD   // Reload Script",
          "$HEADER   // Send Header/Footer",
          "$NOHEADER // No Header/Footer",
          "$DITTLE   // Tobrek's Dittle",
          "$NODITTLE // No Dittle",
          "$DISABLE  // Disable AutoSend",
          "$COM1     // Comport = 0x3F8",
          "$COM2     // Comport = 0x2F8",
          "$COM3     // Comport = 0x3E8",
          "$COM4     // Comport = 0x3E0",
          "$COM5     // Comport = 0x2F0",
          "$COM6     // Comport = 0x2E8",
          "$COM7     // Comport = 0x2E0",
          "$COM8     // Comport = 0x260",
          "$RTS      // Debug Only : Use RTS for XMIT",
          "$DTR      // Debug Only : Use DTR for XMIT",
      } {}

void ScriptHelp::SetCwIdText(const std::string& text) {
  lines_[kCwIdLine] = "$CWID     // " + text;
}

}  // namespace kestrix
