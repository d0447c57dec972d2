#pragma once
// The station's settings record, owned by the main window for the whole run.
// Fields keep the names under which the saved configuration stores them.
//
// Thread rules: the window thread owns the record. Chat and mail threads
// read and write the numeric fields while they transmit or queue (under
// TransmitBusy, which keeps them apart from file transmissions but not from
// the window's menus and ticks), so every numeric field is atomic. The texts
// and the banned-word list are touched only on the window thread; other
// threads reach them through a window call.

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "station/config/station_mode.h"
#include "station/config/tx_line.h"

namespace kestrix {

struct StationSettings {
  // Serial line and mode.
  std::string m_CommPort = "NULL";  // "COM1".."COM8", or "Disabled"
  std::atomic<float> BAUD{45.45f};
  std::atomic<int> TxLine{ID_RS232CONTROL_DISABLED};
  std::atomic<int> MODE{kModeMilitary};
  std::atomic<int> DATABITS{5};
  std::atomic<int> stopBitsCode{1};  // 0 one, 1 one and a half, 2 two

  // Transmit cycle.
  std::atomic<int> CWTimer{-1};
  std::atomic<int> scheduleEnable{0};
  std::atomic<int> transferCancel{0};
  std::atomic<int> sendNow{0};
  std::atomic<int> localLock{0};
  std::atomic<int> notSending{1};
  std::atomic<int> transferSend{1};
  std::atomic<int> headerEnable{0};
  std::atomic<int> QERVAutoStart{0};
  std::atomic<int> diddleEnable{0};
  std::atomic<int> transmitOn{0};
  std::atomic<int> sendBreakSignal{0};
  std::atomic<int> checkNoTimer{1};
  std::atomic<int> cwTimerCheck{0};

  // Sound path.
  std::atomic<int> soundCardID{99};  // 99 none, -1 default device, below 5 a card is used
  std::atomic<double> markTone{2125.0};
  std::atomic<double> spaceTone{2295.0};
  std::atomic<float> pskFrequency{1500.0f};
  // Set when a script command chose the PSK31 carrier: it then survives
  // transmitter-on instead of giving way to the mark tone. Not saved.
  std::atomic<int> pskFrequencyFromScript{0};
  // Set by "$FSK=", kept for the operator; nothing reads it yet. Not saved.
  std::atomic<float> fskFrequency{2210.0f};
  // Worked out at transmitter-on for the sound keying thread.
  std::atomic<double> halfShift{0.0};
  std::atomic<int> centerFrequency{0};

  // Network and intake.
  std::string ipAddress = "127.0.0.1";
  std::string ipPort = "0";
  std::string ipAuthentication = "x";
  std::atomic<int> QERVAutoLine72{0};
  std::atomic<int> QERVUseSubjectFileName{1};
  std::atomic<int> SMTP_Port_Number1{25};
  std::atomic<int> SMTP_Port_Number2{593};
  std::string QERVEmailAddress = "QERV@";
  std::atomic<int> QERVTelnetPortNumber{23};

  // Set only by the initialization file.
  std::string QERVCallsign = "None";
  std::string QERVDataPath = "data/";
  std::vector<std::string> BadWordList;

  // Set only by the initialization file, for Linux devices. An empty sound
  // device lets "Auto Mode" open ALSA "default"; "wav:PATH" writes a file.
  std::string QERVSoundDevice;
  std::atomic<int> QERVMorseTickMs{6};  // about 20 WPM for the identification

  // Set only by the initialization file: the address the listeners bind
  // ("" every address) and the networks allowed to connect ("" everyone).
  std::string QERVListenAddress;
  std::string QERVAllowFrom;
  // The longest message the mail server takes, in bytes of its text.
  std::atomic<long> QERVMaxMessageBytes{1048576};
};

// Field sizes of the texts; longer values are cut to them.
constexpr std::size_t kCommPortSize = 9;
constexpr std::size_t kIpFieldSize = 31;
constexpr std::size_t kAllowFromSize = 1000;
constexpr std::size_t kEmailAddressSize = 79;
constexpr std::size_t kCallsignSize = 39;
constexpr std::size_t kDataPathSize = 255;
constexpr std::size_t kMaxBadWords = 500;

}  // namespace kestrix
