#include "station/app/about_listing.h"

#include "common/number_text.h"

namespace kestrix {

namespace {

const char* const kRule = "-------------------------------------------";

std::string ModeLine(int mode) {
  static const char* const kNames[] = {"ASCII", "ITA#2", "TELEX", "Military", "PSK31", "CW"};
  if (mode < 0 || mode > 5) {
    return "";
  }
  return std::string("Mode is set to ") + kNames[mode] + ".";
}

// The line each setting really keys, as the TU_Setup menu names it.
std::string TxLineLine(int txLine) {
  switch (txLine) {
    case ID_RS232CONTROL_DISABLED:
      return "RTS and DTR not being used for anything";
    case ID_RS232CONTROL_RTS:
      return "Using RTS line for transmit control";
    case ID_RS232CONTROL_DTR:
      return "Using DTR line for transmit control";
    case ID_RS232CONTROL_RTSXMIT:
      return "Using RTS line for transmit control, DTR for CW ID.";
    case ID_RS232CONTROL_DTRXMIT:
      return "Using DTR line for transmit control, RTS for CW ID.";
    default:
      return "";
  }
}

}  // namespace

std::vector<std::string> AboutListing::Lines(const StationSettings& settings,
                                             const std::string& spelledCallSign,
                                             const ScriptHelp& help, const PortDeviceMap& ports) {
  const std::string baud = "Baud Rate is set to " + FixedText(settings.BAUD.load()) + ".";
  std::vector<std::string> lines = {
      " This application was written for the",
      spelledCallSign + " RTTY broadcast transmitter.",
      kRule,
      "Comport is set to " + settings.m_CommPort,
      baud,
      settings.DATABITS == 8 ? "Data Bits is set to 8 BITS." : "Data Bits is set to 5 Bits.",
  };
  for (const std::string& optional : {ModeLine(settings.MODE), TxLineLine(settings.TxLine)}) {
    if (!optional.empty()) {
      lines.push_back(optional);
    }
  }
  lines.insert(lines.end(),
               {kRule, "Command line: no parameters of its own; the settings",
                "   come from Kestrix.ini and a saved Kestrix.cfg.", kRule, "Available Ports"});
  for (int number = 1; number <= kPorts; ++number) {
    const std::string name = "COM" + std::to_string(number);
    lines.push_back("   " + name + " = " + ports.DeviceFor(name));
  }
  lines.insert(lines.end(),
               {"Linux keys in Kestrix.ini:",
                "   QERVSERIALDEVICE=\"COM1=/dev/ttyUSB0\" maps a port to a device",
                "   QERVSOUNDDEVICE=\"plughw:1,0\" ALSA device of Auto Mode, or wav:FILE",
                "   QERVMORSETICKMS=6 Morse tick in ms (6 keys about 20 WPM)", " ",
                "--------- Scripted Commands  --------------"});
  for (int i = 0; i < kHelpLines; ++i) {
    lines.push_back(help.Line(i));
  }
  // The examples are what the macros send on Tuesday, 15 May 2001, as a
  // teleprinter prints them.
  lines.insert(
      lines.end(),
      {" ", "--- Macro Commands Expand in Text Files ----",
       "^D   // Full date          'TUESDAY, MAY 15, 2001'",
       "^L   // Month day, year    'MAY 15, 2001'", "^W   // Weekday            'TUESDAY'",
       "^T   // Local Time         '12:35(PST)'", "^U   // UTC Time           '12:35(UTC)'",
       "^1   // Sends BELL once", "^2   // Sends Bell twice", "...  // Sends Bell 1 - 9 Times",
       "^9   // Sends Bell nine times, annoying!", kRule});
  return lines;
}

}  // namespace kestrix
