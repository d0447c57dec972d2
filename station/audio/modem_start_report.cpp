#include "station/audio/modem_start_report.h"

#include <cstdio>

namespace kestrix {
namespace {

const char* ErrorText(int result) {
  static constexpr const char* kTexts[] = {
      "Tried to read and soundcard is not open",          // 10
      nullptr,                                            // 11
      "Input buffers over-flowed",                        // 12
      "Timed out waiting for input buffers",              // 13
      "Tried to write and soundcard is not open",         // 14
      "Output buffers under-flowed",                      // 15
      "Timed out waiting for output buffers",             // 16
      "Card doesn't support 16bit, 8000Hz, Mono format",  // 17
      "Still something playing on soundcard",             // 18
      "Header not prepared",                              // 19
      "Device is synchronous",                            // 20
      "Bad Device ID, Soundcard Not Present",             // 21
      "Driver failed to enable",                          // 22
      "Device already allocated",                         // 23
      "Device handle is invalid",                         // 24
      "No device driver present",                         // 25
      "Function isn't supported",                         // 26
      "Error value out of range",                         // 27
      "Invalid flag passed",                              // 28
      "Invalid parameter passed",                         // 29
      "Handle being used",                                // 30
      "Driver does not call DriverCallback",              // 31
      "Registry error",                                   // 32
      "Unknown Error",                                    // 33
      "Can't open wave file for input",                   // 34
      "File is not a RIFF wave type",                     // 35
      "Invalid wave file",                                // 36
      "No data in file",                                  // 37
      "Not a supported data type",                        // 38
      "Error reading data from file",                     // 39
      "Tried to read and file is not open",               // 40
      "Can't open wave file for output",                  // 41
  };
  if (result >= 10 && result <= 41 && kTexts[result - 10] != nullptr) {
    return kTexts[result - 10];
  }
  return "Really Bad Undefined Error";
}

}  // namespace

std::string ModemStartErrorText(int result) {
  char number[32];
  std::snprintf(number, sizeof number, "(%3i) ", result);
  return std::string(number) + ErrorText(result);
}

void ReportModemStart(int result, EventLog& log, MessageBox& box) {
  if (result == 0) {
    log.LogEvent("No error in starting sound card process");
    return;
  }
  box.Show(ModemStartErrorText(result), "FATAL - Sound Card", MessageBoxIcon::kStop);
}

}  // namespace kestrix
