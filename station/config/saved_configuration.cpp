#include "station/config/saved_configuration.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <variant>

#include "common/number_text.h"
#include "station/audio/sendable_rate.h"

namespace kestrix {

namespace {

struct TextField {
  std::string* value;
  std::size_t size;
};
// The keying rate: a value the station cannot send never gets in.
struct RateField {
  std::atomic<float>* value;
};
using FieldValue = std::variant<std::atomic<int>*, RateField, std::atomic<double>*, TextField>;

struct Field {
  FieldValue value;
  const char* name;
  // What the station is doing rather than how it is set: a restore while
  // it runs leaves these as they are.
  bool runState = false;
};

constexpr bool kRunState = true;

std::vector<Field> FieldsOf(StationSettings& s, ClockTicks& ticks) {
  return {
      {TextField{&s.m_CommPort, kCommPortSize}, "m_CommPort"},
      {RateField{&s.BAUD}, "BAUD"},
      {&s.TxLine, "TxLine"},
      {&s.MODE, "MODE"},
      {&s.DATABITS, "DATABITS"},
      {&ticks.timerTick, "timerTick", kRunState},
      {&ticks.morseTick, "morseTick", kRunState},
      {&s.CWTimer, "CWTimer", kRunState},
      {&s.scheduleEnable, "scheduleEnable"},
      {&s.transferCancel, "transferCancel", kRunState},
      {&s.notSending, "notSending", kRunState},
      {&s.transferSend, "transferSend", kRunState},
      {&s.sendNow, "sendNow", kRunState},
      {&s.localLock, "localLock", kRunState},
      {&s.headerEnable, "headerEnable"},
      {&s.QERVAutoStart, "QERVAutoStart"},
      {&s.diddleEnable, "diddleEnable"},
      {&s.transmitOn, "transmitOn", kRunState},
      {&s.sendBreakSignal, "sendBreakSignal", kRunState},
      {&s.checkNoTimer, "checkNoTimer"},
      {&s.soundCardID, "soundCardID"},
      {&s.cwTimerCheck, "cwTimerCheck", kRunState},
      {&s.markTone, "markTone"},
      {&s.spaceTone, "spaceTone"},
      {TextField{&s.ipAddress, kIpFieldSize}, "ipAddress"},
      {TextField{&s.ipPort, kIpFieldSize}, "ipPort"},
      {TextField{&s.ipAuthentication, kIpFieldSize}, "ipAuthentication"},
      {&s.QERVAutoLine72, "QERVAutoLine72"},
      {&s.QERVUseSubjectFileName, "QERVUseSubjectFileName"},
      {&s.SMTP_Port_Number1, "SMTP_Port_Number1"},
      {&s.SMTP_Port_Number2, "SMTP_Port_Number2"},
      {TextField{&s.QERVEmailAddress, kEmailAddressSize}, "QERVEmailAddress"},
      // Its name has always been followed by a blank; kept for old readers.
      {&s.QERVTelnetPortNumber, "QERVTelnetPortNumber "},
  };
}

// Numbers are written with "." whatever the user's language settings.
std::string FormatValue(const FieldValue& value) {
  std::string text;
  if (auto* i = std::get_if<std::atomic<int>*>(&value)) {
    text = std::to_string((*i)->load());
  } else if (auto* f = std::get_if<RateField>(&value)) {
    text = FixedText(f->value->load());
  } else if (auto* d = std::get_if<std::atomic<double>*>(&value)) {
    text = FixedText((*d)->load());
  } else {
    text = *std::get<TextField>(value).value;
  }
  // "%-15": padded, never cut.
  text.resize(std::max<std::size_t>(text.size(), 15), ' ');
  return text;
}

// A line that does not start with a value of the field's kind leaves the
// field as it is. Returns what the log should say beyond the line itself.
std::string ReadValue(const FieldValue& value, const char* line) {
  if (auto* i = std::get_if<std::atomic<int>*>(&value)) {
    // strtol rather than sscanf, whose overflow is undefined; held to int.
    char* end = nullptr;
    const long read = std::strtol(line, &end, 10);
    if (end != line) {
      **i = static_cast<int>(std::clamp<long>(read, INT_MIN, INT_MAX));
    }
  } else if (auto* f = std::get_if<RateField>(&value)) {
    const char* text = line;
    if (const std::optional<float> rate = ReadFloat(text)) {
      if (!IsSendableRate(*rate)) {
        const char* word = line + std::strspn(line, " \t");
        const std::string written(word, std::strcspn(word, " \t\r\n"));
        return "RestoreConfiguration : BAUD " + written + " is not a rate the station can send (" +
               ShortestText(kMinSendableBaud) + " to " + ShortestText(kMaxSendableBaud) +
               " baud); keeping " + ShortestText(f->value->load()) + ".";
      }
      *f->value = *rate;
    }
  } else if (auto* d = std::get_if<std::atomic<double>*>(&value)) {
    const char* text = line;
    if (const std::optional<double> read = ReadDouble(text)) {
      **d = *read;
    }
  } else {
    char word[256];
    if (std::sscanf(line, "%255s", word) == 1) {
      const TextField& field = std::get<TextField>(value);
      *field.value = std::string(word).substr(0, field.size);
    }
  }
  return "";
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

const std::string kRule(76, '-');

// One line with its line end, however long: a tone of 1e300 is saved in 308
// digits, and a line read in pieces would hand its rest to the next field.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
    line += static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  return !line.empty();
}

}  // namespace

SavedConfiguration::SavedConfiguration(StationSettings& settings, ClockTicks& ticks, EventLog& log,
                                       SettingsMenus& menus)
    : settings_(settings), ticks_(ticks), log_(log), menus_(menus) {}

void SavedConfiguration::SaveConfiguration() {
  File file(std::fopen(kFileName, "wb"));
  if (!file) {
    return;
  }
  // CR LF, as the file has always been stored.
  for (const Field& field : FieldsOf(settings_, ticks_)) {
    std::fprintf(file.get(), "%s\t%s\r\n", FormatValue(field.value).c_str(), field.name);
  }
}

void SavedConfiguration::RestoreConfiguration(RestoreMoment moment) {
  File file(std::fopen(kFileName, "rb"));
  if (!file) {
    return;
  }
  log_.LogEvent(kRule);
  log_.LogEvent("CONFIG FILE \"Kestrix.cfg\" WILL BE REPLACING \"Kestrix.ini\" Settings");
  const bool running = moment == RestoreMoment::kWhileRunning;
  std::string line;
  for (const Field& field : FieldsOf(settings_, ticks_)) {
    if (!ReadLine(file.get(), line)) {
      break;
    }
    const std::string refused =
        running && field.runState ? "" : ReadValue(field.value, line.c_str());
    log_.LogEvent(line);
    if (!refused.empty()) {
      log_.LogEvent(refused);
    }
  }
  if (running) {
    log_.LogEvent(
        "RestoreConfiguration : the running station keeps its transmitter and transmit cycle as "
        "they are.");
  }
  menus_.ShowSettingMarks();
  menus_.Recipients().ApplyAddress(settings_.QERVEmailAddress);
  log_.LogEvent(kRule);
}

}  // namespace kestrix
