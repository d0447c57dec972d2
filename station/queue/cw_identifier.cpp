#include "station/queue/cw_identifier.h"

#include <vector>

#include "common/text_case.h"
#include "station/config/menu_ids.h"
#include "station/config/station_mode.h"
#include "station/config/tx_line.h"

namespace kestrix {

CwIdentifier::CwIdentifier(StationSettings& settings, EventLog& log, WindowClock& clock,
                           Transmitter& transmitter, FileTransmitter& files, MorseKeyer& morse,
                           Psk31Modem& modem, TransmitBusy& busy, ScriptHelp& help,
                           const TransmitCycle& cycle, CwIdControls controls)
    : settings_(settings),
      log_(log),
      clock_(clock),
      transmitter_(transmitter),
      files_(files),
      morse_(morse),
      modem_(modem),
      busy_(busy),
      help_(help),
      cycle_(cycle),
      controls_(controls) {}

void CwIdentifier::BuildCwidText(const std::string& callSign) {
  text_ = ("de " + callSign + " " + callSign).substr(0, kTextSize);
  help_.SetCwIdText(text_);
  controls_.windowTitle.SetText("Kestrix2011/Chat                                          " +
                                SpelledOut(callSign));
}

void CwIdentifier::Cwid() {
  settings_.localLock = 1;
  settings_.notSending = 0;
  settings_.sendNow = 0;
  log_.LogEvent("Cwid : Sending CW Identification.");
  transmitter_.CmTX();
  // In CW mode the file is keyed in Morse as well: the tick runs first.
  clock_.OnTimer(WindowClock::kStartMorse);
  files_.TXFile("cwid.txt", settings_.MODE);
  if (settings_.MODE == kModePsk31) {
    clock_.OnTimer(WindowClock::kStopMorse);
    SendThroughModem();
  } else {
    KeyInMorse();
  }
  log_.LogEvent("Completed CWID");
  settings_.localLock = 0;
  settings_.notSending = 1;
  // The head entry goes out at the next tick, whatever its time.
  settings_.sendNow = 1;
}

void CwIdentifier::SendThroughModem() {
  modem_.SetCwIdText(text_);
  modem_.QueueCharacter(2, 1);
  modem_.EndTransmit();
  clock_.WaitClockTicks(kPskIdSeconds);
  modem_.StartTransmit(0);
}

void CwIdentifier::KeyInMorse() {
  const ControlLine line = IdentificationLine(settings_.TxLine);
  std::vector<MorseElement> elements{{false, kLeadTicks}};
  for (char c : text_) {
    MorseCodeTable::AppendElements(static_cast<unsigned char>(c), MorseKeyer::kIdentificationGap,
                                   elements);
  }
  elements.push_back({false, kLeadTicks});
  morse_.KeySequence(line, elements);
  clock_.OnTimer(WindowClock::kStopMorse);
  if (cycle_.RemainingTime() > 0) {
    transmitter_.CmRX();
  }
}

void CwIdentifier::ApplyCwTimer() {
  if (settings_.cwTimerCheck) {
    settings_.CWTimer = 0;
    if (settings_.transmitOn == 1 && !settings_.localLock) {
      Cwid();
    }
  } else {
    settings_.CWTimer = -1;
    controls_.cwIdCountdown.SetText("OFF");
  }
}

// A chat line holds TransmitBusy without localLock; an identification
// started then would wait for ever on its own file step.
bool CwIdentifier::TransmissionRuns() const {
  return settings_.localLock || busy_.IsSet();
}

void CwIdentifier::RefuseBusy() {
  controls_.box.Show("Works only when sending data to a TU", "Cannot Do it", MessageBoxIcon::kNone);
}

void CwIdentifier::OnSendCwid() {
  if (TransmissionRuns()) {
    RefuseBusy();
    return;
  }
  Cwid();
}

void CwIdentifier::OnSendCwIdNow() {
  if (settings_.transmitOn != 1 || TransmissionRuns()) {
    RefuseBusy();
    return;
  }
  Cwid();
}

void CwIdentifier::OnAutoCwIdTimer() {
  if (settings_.cwTimerCheck) {
    controls_.menus.SetItemChecked(menu::kAutoCwIdTimer, false);
    settings_.cwTimerCheck = 0;
    settings_.CWTimer = -1;
    controls_.cwIdCountdown.SetText("OFF");
    if (settings_.transmitOn == 1 && !TransmissionRuns()) {
      Cwid();
    }
  } else {
    controls_.menus.SetItemChecked(menu::kAutoCwIdTimer, true);
    settings_.cwTimerCheck = 1;
    controls_.cwIdCountdown.SetText("0");
    settings_.CWTimer = 0;
  }
}

}  // namespace kestrix
