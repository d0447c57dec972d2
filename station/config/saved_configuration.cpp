#include "station/config/saved_configuration.h"

#include <cstdio>
#include <memory>
#include <variant>

namespace kestrix {

namespace {

struct TextField {
  std::string* value;
  std::size_t size;
};
using FieldValue =
    std::variant<std::atomic<int>*, std::atomic<float>*, std::atomic<double>*, TextField>;

struct Field {
  FieldValue value;
  const char* name;
};

std::vector<Field> FieldsOf(StationSettings& s) {
  return {
      {TextField{&s.m_CommPort, kCommPortSize}, "m_CommPort"},
      {&s.BAUD, "BAUD"},
      {&s.TxLine, "TxLine"},
      {&s.MODE, "MODE"},
      {&s.DATABITS, "DATABITS"},
      {&s.timerTick, "timerTick"},
      {&s.morseTick, "morseTick"},
      {&s.CWTimer, "CWTimer"},
      {&s.scheduleEnable, "scheduleEnable"},
      {&s.transferCancel, "transferCancel"},
      {&s.notSending, "notSending"},
      {&s.transferSend, "transferSend"},
      {&s.sendNow, "sendNow"},
      {&s.localLock, "localLock"},
      {&s.headerEnable, "headerEnable"},
      {&s.QERVAutoStart, "QERVAutoStart"},
      {&s.diddleEnable, "diddleEnable"},
      {&s.transmitOn, "transmitOn"},
      {&s.sendBreakSignal, "sendBreakSignal"},
      {&s.checkNoTimer, "checkNoTimer"},
      {&s.soundCardID, "soundCardID"},
      {&s.cwTimerCheck, "cwTimerCheck"},
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

std::string FormatValue(const FieldValue& value) {
  char text[512];
  if (auto* i = std::get_if<std::atomic<int>*>(&value)) {
    std::snprintf(text, sizeof text, "%-15d", (*i)->load());
  } else if (auto* f = std::get_if<std::atomic<float>*>(&value)) {
    std::snprintf(text, sizeof text, "%-15f", static_cast<double>((*f)->load()));
  } else if (auto* d = std::get_if<std::atomic<double>*>(&value)) {
    std::snprintf(text, sizeof text, "%-15f", (*d)->load());
  } else {
    std::snprintf(text, sizeof text, "%-15s", std::get<TextField>(value).value->c_str());
  }
  return text;
}

// A line that does not start with a value of the field's kind leaves the
// field as it is.
void ReadValue(const FieldValue& value, const char* line) {
  if (auto* i = std::get_if<std::atomic<int>*>(&value)) {
    int read = 0;
    if (std::sscanf(line, "%d", &read) == 1) {
      **i = read;
    }
  } else if (auto* f = std::get_if<std::atomic<float>*>(&value)) {
    float read = 0;
    if (std::sscanf(line, "%f", &read) == 1) {
      **f = read;
    }
  } else if (auto* d = std::get_if<std::atomic<double>*>(&value)) {
    double read = 0;
    if (std::sscanf(line, "%lf", &read) == 1) {
      **d = read;
    }
  } else {
    char word[256];
    if (std::sscanf(line, "%255s", word) == 1) {
      const TextField& field = std::get<TextField>(value);
      *field.value = std::string(word).substr(0, field.size);
    }
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

const std::string kRule(76, '-');

}  // namespace

SavedConfiguration::SavedConfiguration(StationSettings& settings, EventLog& log,
                                       SettingsMenus& menus)
    : settings_(settings), log_(log), menus_(menus) {}

void SavedConfiguration::SaveConfiguration() {
  File file(std::fopen(kFileName, "wb"));
  if (!file) {
    return;
  }
  // CR LF, as the file has always been stored.
  for (const Field& field : FieldsOf(settings_)) {
    std::fprintf(file.get(), "%s\t%s\r\n", FormatValue(field.value).c_str(), field.name);
  }
}

void SavedConfiguration::RestoreConfiguration() {
  File file(std::fopen(kFileName, "rb"));
  if (!file) {
    return;
  }
  log_.LogEvent(kRule);
  log_.LogEvent("CONFIG FILE \"Kestrix.cfg\" WILL BE REPLACING \"Kestrix.ini\" Settings");
  for (const Field& field : FieldsOf(settings_)) {
    char line[256];
    if (std::fgets(line, sizeof line, file.get()) == nullptr) {
      break;
    }
    ReadValue(field.value, line);
    log_.LogEvent(line);
  }
  menus_.ShowSettingMarks();
  menus_.Recipients().ApplyAddress(settings_.QERVEmailAddress);
  log_.LogEvent(kRule);
}

}  // namespace kestrix
