#include "station/config/initialization_file.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>

#include "common/number_text.h"
#include "common/text_case.h"
#include "station/config/tx_line.h"

namespace kestrix {
namespace {

// Lines are read at most 1,022 characters at a time; the rest of a longer
// line is taken as a line of its own.
constexpr int kReadBufferSize = 1023;

constexpr int kMinAutoLine72 = 46;
constexpr int kMaxAutoLine72 = 80;
constexpr int kDefaultAutoLine72 = 68;
constexpr int kMinMorseTickMs = 1;
constexpr int kMaxMorseTickMs = 1000;

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int size = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
  if (size > 0) {
    std::vsnprintf(text.data(), text.size() + 1, format, args);
  }
  va_end(args);
  return text;
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return "";
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A comment runs from the first "//", quotes or not. The key name before
// the first "=" is matched in capitals without blanks, so "qerv header = 1"
// works; the value side is left alone.
std::string Normalised(std::string line) {
  line.erase(std::min(line.find("//"), line.size()));
  const auto equals = line.find('=');
  if (equals == std::string::npos) {
    return line;
  }
  std::string name;
  for (char c : std::string_view(line).substr(0, equals)) {
    if (c != ' ' && c != '\t') {
      name += static_cast<char>(UpperCase(static_cast<unsigned char>(c)));
    }
  }
  return name + line.substr(equals);
}

// atoi's reading (blanks, sign, digits), but refusing text without digits
// and holding the value to the int range instead of overflowing.
std::optional<int> ReadNumber(const char*& text, int) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text) {
    return std::nullopt;
  }
  text = end;
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// With "." as the decimal point whatever the user's language settings.
std::optional<double> ReadNumber(const char*& text, double) {
  return ReadDouble(text);
}

// The number after the line's first "=", 0 when no digits follow; nothing
// when the line has no "=".
std::optional<int> NumberAfterEquals(const std::string& line) {
  const auto equals = line.find('=');
  if (equals == std::string::npos) {
    return std::nullopt;
  }
  const char* text = line.c_str() + equals + 1;
  return ReadNumber(text, 0).value_or(0);
}

// "KEY=a,b", "KEY a b" and mixtures: the line must start with the key and
// both numbers must be there, or nothing changes.
template <typename Number>
std::optional<std::pair<Number, Number>> PairAfterKey(std::string line, std::string_view key) {
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '=' || c == ','; }, ' ');
  if (!line.starts_with(key)) {
    return std::nullopt;
  }
  const char* text = line.c_str() + key.size();
  const std::optional<Number> first = ReadNumber(text, Number{});
  if (!first) {
    return std::nullopt;
  }
  const std::optional<Number> second = ReadNumber(text, Number{});
  if (!second) {
    return std::nullopt;
  }
  return std::pair{*first, *second};
}

// From the first to the last double quote, so a value may hold quotes.
std::optional<std::string> QuotedText(const std::string& line) {
  const auto first = line.find('"');
  const auto last = line.rfind('"');
  if (first == std::string::npos || last == first) {
    return std::nullopt;
  }
  return line.substr(first + 1, last - first - 1);
}

// Chosen by the leading letters. The names are crossed on purpose: "DTR"
// selects ID_RS232CONTROL_RTS and "RTS" ID_RS232CONTROL_DTR, so existing
// files go on keying the line they always did.
int TxLineFor(const std::string& name) {
  struct Choice {
    std::string_view prefix;
    int txLine;
  };
  static constexpr Choice kChoices[] = {
      {"NON", ID_RS232CONTROL_DISABLED}, {"DTRRTS", ID_RS232CONTROL_RTS},
      {"RTSDTR", ID_RS232CONTROL_DTR},   {"DTR", ID_RS232CONTROL_RTS},
      {"RTS", ID_RS232CONTROL_DTR},
  };
  for (const Choice& choice : kChoices) {
    if (name.starts_with(choice.prefix)) {
      return choice.txLine;
    }
  }
  return ID_RS232CONTROL_DISABLED;
}

}  // namespace

InitializationFile::InitializationFile(StationSettings& settings, EventLog& log,
                                       PortDeviceMap& portDevices)
    : settings_(settings), log_(log), portDevices_(portDevices) {}

int InitializationFile::ReadInitializationFile() {
  // Only the intake settings start over; the rest keep what they were given
  // before, whether the file is there or not.
  settings_.BadWordList.clear();
  badWordOverflowLogged_ = false;
  settings_.QERVAutoLine72 = 0;
  settings_.QERVUseSubjectFileName = 1;
  settings_.SMTP_Port_Number1 = 25;
  settings_.QERVTelnetPortNumber = 23;
  settings_.SMTP_Port_Number2 = 593;

  std::FILE* file = std::fopen(kFileName, "r");
  if (file == nullptr) {
    log_.LogEvent(std::string("Unable to open Input file ") + kFileName + "\n\r");
    return 0;
  }
  char buffer[kReadBufferSize];
  while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
      line.pop_back();
    }
    ApplyLine(std::move(line));
  }
  std::fclose(file);
  return 0;
}

void InitializationFile::ApplyLine(std::string line) {
  line = Normalised(std::move(line));
  // Keys are found anywhere in the line, in this order, and one line may
  // set several of them.
  const auto has = [&line](std::string_view key) { return line.find(key) != std::string::npos; };
  const std::optional<int> number = NumberAfterEquals(line);
  const std::optional<std::string> quoted = QuotedText(line);

  if (const auto ports = PairAfterKey<int>(line, "QERVEMAILSMTPPORTS")) {
    settings_.SMTP_Port_Number1 = ports->first;
    settings_.SMTP_Port_Number2 = ports->second;
    log_.LogEvent(
        Format("SMTP Email Ports set to Primary=%d and Secondary=%d", ports->first, ports->second));
  }
  if (has("QERVTELNETPORTNUMBER") && number) {
    settings_.QERVTelnetPortNumber = *number;
    log_.LogEvent(Format("INIT QERVTelnetPortNumber set to %d", *number));
  }
  if (has("QERVAUTOLINE72") && number) {
    if (*number >= kMinAutoLine72 && *number <= kMaxAutoLine72) {
      settings_.QERVAutoLine72 = *number;
      log_.LogEvent(Format("INIT QERVAutoLine72 - Max num of char per line set to %d", *number));
    } else {
      settings_.QERVAutoLine72 = kDefaultAutoLine72;
      log_.LogEvent(Format("INIT QERVAutoLine72 - Error: Max num %d too big, using %d", *number,
                           kDefaultAutoLine72));
    }
  }
  if (has("QERVUSESUBJECTFILENAME") && number) {
    settings_.QERVUseSubjectFileName = *number != 0 ? 1 : 0;
    log_.LogEvent(*number != 0
                      ? "INIT QERVUseSubjectFileName - Filename used for filenames"
                      : "INIT QERVUseSubjectFileName - Date/Time Stamp format used for filenames");
  }
  if (has("QERVBADWORD=") && quoted) {
    AddBadWord(UpperCase(*quoted));
  }
  if (has("QERVEMAILADDRESS=") && quoted) {
    OverrideText(settings_.QERVEmailAddress, UpperCase(*quoted), kEmailAddressSize,
                 "QERVEmailAddress");
  }
  if (has("QERVCALLSIGN=") && quoted) {
    OverrideText(settings_.QERVCallsign, UpperCase(*quoted), kCallsignSize, "QERVCallsign");
  }
  if (has("QERVCOMMPORT=") && quoted) {
    OverrideText(settings_.m_CommPort, UpperCase(*quoted), kCommPortSize, "QERVCommPort");
  }
  if (has("QERVDATAPATH=") && quoted) {
    OverrideText(settings_.QERVDataPath, *quoted, kDataPathSize, "QERVDataPath");
  }
  if (has("QERVRS232CONTROL=") && quoted) {
    settings_.TxLine = TxLineFor(UpperCase(*quoted));
    log_.LogEvent(Format("RS-232 Control set to %s transmit line control.",
                         std::string(TxLineName(settings_.TxLine)).c_str()));
  }
  if (has("QERVSOUNDCARDID") && number) {
    settings_.soundCardID = *number;
    log_.LogEvent(Format("INIT QERVSoundCardID set to %d", *number));
  }
  if (has("QERVAUTOSTART") && number) {
    settings_.QERVAutoStart = *number;
    log_.LogEvent(Format("INIT QERVAutoStart set to %d", *number));
  }
  if (has("QERVHEADER") && number) {
    settings_.headerEnable = *number;
    log_.LogEvent(Format("INIT QERVHeader set to %d", *number));
  }
  if (has("QERVSCHEDULERENABLE") && number) {
    settings_.scheduleEnable = *number;
    log_.LogEvent(Format("INIT QERVscheduleEnable set to %d", *number));
  }
  if (const auto tones = PairAfterKey<double>(line, "QERVFREQUENCIES")) {
    settings_.markTone = tones->first;
    settings_.spaceTone = tones->second;
    log_.LogEvent("Sound Card Frequencies Mark=" + FixedText(tones->first) +
                  " and Space=" + FixedText(tones->second));
  }

  // Linux devices.
  if (has("QERVSERIALDEVICE=") && quoted) {
    MapSerialDevice(*quoted);
  }
  if (has("QERVSOUNDDEVICE=") && quoted) {
    OverrideText(settings_.QERVSoundDevice, *quoted, kDataPathSize, "QERVSoundDevice");
  }
  if (has("QERVMORSETICKMS") && number) {
    SetMorseTick(*number);
  }
  if (has("QERVMAXMESSAGEBYTES") && number) {
    if (*number > 0) {
      settings_.QERVMaxMessageBytes = *number;
      log_.LogEvent(Format("INIT QERVMaxMessageBytes set to %d", *number));
    } else {
      log_.LogEvent(Format("INIT QERVMaxMessageBytes - Error: %d is not a size, keeping %ld",
                           *number, settings_.QERVMaxMessageBytes.load()));
    }
  }
  if (has("QERVLISTENADDRESS=") && quoted) {
    OverrideText(settings_.QERVListenAddress, *quoted, kIpFieldSize, "QERVListenAddress");
  }
  if (has("QERVALLOWFROM=") && quoted) {
    OverrideText(settings_.QERVAllowFrom, *quoted, kAllowFromSize, "QERVAllowFrom");
  }
}

void InitializationFile::OverrideText(std::string& field, const std::string& value,
                                      std::size_t size, const char* name) {
  field = value.substr(0, size);
  log_.LogEvent(Format("%s overridden and set to \"%s\"", name, field.c_str()));
}

void InitializationFile::AddBadWord(const std::string& word) {
  if (settings_.BadWordList.size() < kMaxBadWords) {
    settings_.BadWordList.push_back(word);
    return;
  }
  if (!badWordOverflowLogged_) {
    badWordOverflowLogged_ = true;
    log_.LogEvent(Format("QERVBadWord list is full (%zu words), ignoring \"%s\" and later words",
                         kMaxBadWords, word.c_str()));
  }
}

// "COM3=/dev/ttyUSB0": the port name as the menus and the saved
// configuration spell it, then the device that opens for it.
void InitializationFile::MapSerialDevice(const std::string& value) {
  const auto equals = value.find('=');
  const std::string port =
      equals == std::string::npos ? "" : UpperCase(TrimBlanks(value.substr(0, equals)));
  const std::string device =
      equals == std::string::npos ? "" : TrimBlanks(value.substr(equals + 1));
  if (port.empty() || device.empty()) {
    log_.LogEvent(Format("QERVSerialDevice ignored: \"%s\" is not PORT=DEVICE", value.c_str()));
    return;
  }
  portDevices_.Map(port, device);
  log_.LogEvent(Format("QERVSerialDevice maps \"%s\" to \"%s\"", port.c_str(), device.c_str()));
}

void InitializationFile::SetMorseTick(int milliseconds) {
  if (milliseconds < kMinMorseTickMs || milliseconds > kMaxMorseTickMs) {
    log_.LogEvent(Format("INIT QERVMorseTickMs - Error: %d out of range %d..%d, keeping %d",
                         milliseconds, kMinMorseTickMs, kMaxMorseTickMs,
                         settings_.QERVMorseTickMs.load()));
    return;
  }
  settings_.QERVMorseTickMs = milliseconds;
  log_.LogEvent(Format("INIT QERVMorseTickMs set to %d", milliseconds));
}

}  // namespace kestrix
