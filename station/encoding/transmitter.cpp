#include "station/encoding/transmitter.h"

#include <cmath>

#include "station/config/menu_ids.h"
#include "station/config/station_mode.h"
#include "station/config/tx_line.h"

namespace kestrix {

Transmitter::Transmitter(StationSettings& settings, EventLoop& loop, EventLog& log,
                         WindowClock& clock, SerialPort& port, Psk31Modem& modem,
                         SoundKeyer& soundKeyer, TransmitterControls controls)
    : settings_(settings),
      loop_(loop),
      log_(log),
      clock_(clock),
      port_(port),
      modem_(modem),
      soundKeyer_(soundKeyer),
      controls_(controls) {}

// Widgets belong to the window thread; a chat thread switching the
// transmitter has its display changes done there.
void Transmitter::OnWindowThread(EventLoop::Call call) {
  loop_.CallOnWindowThread(std::move(call));
}

void Transmitter::SetTransmitLine(bool on) {
  port_.SetControlLine(TransmitLine(settings_.TxLine), on);
}

void Transmitter::CmTX() {
  if (settings_.transmitOn) {
    return;
  }
  OnWindowThread(
      [this] { controls_.menus.SetMenuRangeGrayed(menu::kSoundFirst, menu::kSoundLast, true); });
  settings_.transmitOn = 1;
  OnWindowThread([this] { controls_.transmitStatus.SetText("  ON  "); });
  log_.LogEvent("CmTX : Transmitter ON");
  // A device that stalled or vanished under a transmission gets another try.
  port_.RetryAfterFailure();
  SetTransmitLine(true);

  const int mode = settings_.MODE;
  const bool soundCard = UsesSoundCard(settings_.soundCardID);
  if (mode == kModePsk31) {
    if (soundCard) {
      // A carrier chosen by a script command stays; otherwise the mark tone.
      if (!settings_.pskFrequencyFromScript) {
        settings_.pskFrequency = static_cast<float>(settings_.markTone.load());
      }
      modem_.SetFrequency(static_cast<int>(settings_.pskFrequency.load()));
      modem_.StartTransmit(0);
    }
    return;
  }
  if (!soundCard) {
    return;
  }
  StartSoundKeyer();
}

void Transmitter::StartSoundKeyer() {
  const double mark = settings_.markTone;
  const double space = settings_.spaceTone;
  const double halfShift = std::fabs(mark - space) * 0.5;
  int center = static_cast<int>((space + mark) * 0.5);
  if (settings_.sendBreakSignal) {
    // Both tones move up one shift: the resting tone becomes the space tone.
    center = static_cast<int>(halfShift * 2 + center);
  }
  settings_.halfShift = halfShift;
  settings_.centerFrequency = center;
  // Logging may have dispatched events: a transmitter-off among them wants
  // no worker.
  if (!settings_.transmitOn) {
    return;
  }
  // The identification (and CW mode's text) sounds on the mark tone; in CW
  // mode nothing else does.
  soundKeyer_.Start(
      SoundSignal{kSampleRate, center, settings_.DATABITS, settings_.BAUD, static_cast<int>(mark),
                  static_cast<int>(clock_.MorseTickPeriod().count()), settings_.MODE != kModeCw});
}

void Transmitter::FollowModeAndRate() {
  if (!settings_.transmitOn || !UsesSoundCard(settings_.soundCardID)) {
    return;
  }
  if (settings_.MODE != kModePsk31) {
    StartSoundKeyer();
    return;
  }
  // The modem wants the card for itself.
  soundKeyer_.Stop([] {});
}

void Transmitter::KeepLinesAfterOpen() {
  if (!settings_.transmitOn) {
    return;
  }
  SetTransmitLine(true);
  if (settings_.sendBreakSignal == 1) {
    port_.Line().SetBreak(true);
  }
}

void Transmitter::CmRX() {
  if (!settings_.transmitOn) {
    return;
  }
  settings_.transmitOn = 0;
  settings_.cwTimerCheck = 0;
  settings_.CWTimer = -1;
  OnWindowThread([this] {
    controls_.menus.SetItemChecked(menu::kAutoCwIdTimer, false);
    controls_.cwIdCountdown.SetText("OFF");
    controls_.transmitStatus.SetText("  OFF  ");
  });
  settings_.notSending = 1;
  SetTransmitLine(false);
  log_.LogEvent("CmRX : Transmitter OFF");

  const int mode = settings_.MODE;
  // Ahead of the modem's waits, so that a transmitter-on handled in any
  // wait below wins. A worker started in a five-bit mode still runs when
  // the mode changed to PSK31 or CW since: it is stopped whatever the mode
  // now is, and plays out what it wrote.
  const bool soundMode = mode != kModePsk31 && mode != kModeCw;
  soundKeyer_.Stop([this, soundMode] {
    // The sound thread plays out what it has already made meanwhile.
    if (soundMode) {
      clock_.WaitClockTicks(2);
    }
  });
  if (mode == kModePsk31) {
    modem_.PrepareEnd();
    modem_.EndTransmit();
    clock_.WaitClockTicks(2);
    modem_.PrepareEnd();
    modem_.EndTransmit();
  }
  // Not when a transmitter-on came during the waits: it grayed them.
  if (!settings_.transmitOn) {
    OnWindowThread(
        [this] { controls_.menus.SetMenuRangeGrayed(menu::kSoundFirst, menu::kSoundLast, false); });
  }
}

void Transmitter::ToggleBreakSignal() {
  if (settings_.sendBreakSignal == 1) {
    settings_.sendBreakSignal = 0;
    controls_.menus.SetItemChecked(menu::kSendBreakSignal, false);
    if (port_.IsOpen()) {
      port_.Line().SetBreak(false);
    }
    CmRX();
    return;
  }
  settings_.sendBreakSignal = 1;
  CmTX();
  controls_.menus.SetItemChecked(menu::kSendBreakSignal, true);
  if (port_.IsOpen()) {
    port_.Line().SetBreak(true);
  }
  // The second use of the command, run inside this wait, ends the break.
  while (settings_.sendBreakSignal != 0) {
    loop_.WaitForNextEvent();
  }
  CmRX();
}

}  // namespace kestrix
