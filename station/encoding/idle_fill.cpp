#include "station/encoding/idle_fill.h"

#include "station/config/station_mode.h"
#include "station/encoding/baudot_codes.h"

namespace kestrix {

IdleFill::IdleFill(StationSettings& settings, EventLoop& loop, OutputRouter& router,
                   CharacterEncoder& encoder, TransmitBusy& busy)
    : settings_(settings), loop_(loop), router_(router), encoder_(encoder), busy_(busy) {}

bool IdleFill::Wanted() const {
  return settings_.diddleEnable && settings_.transmitOn && !settings_.localLock &&
         IsFiveBitMode(settings_.MODE);
}

void IdleFill::Update() {
  const bool running = loop_.IsTimerRunning(WindowClock::kIdleFillTimer);
  if (Wanted() && !running) {
    loop_.StartTimer(WindowClock::kIdleFillTimer, WindowClock::kIdleFillPeriod);
  } else if (!Wanted() && running) {
    loop_.StopTimer(WindowClock::kIdleFillTimer);
  }
}

void IdleFill::Poll() {
  if (!Wanted()) {
    loop_.StopTimer(WindowClock::kIdleFillTimer);
    return;
  }
  if (!router_.PathIdle() || !busy_.TryTake()) {
    return;
  }
  // Held only for the hand-over, never across a wait: a transmission that
  // starts meanwhile takes the flag at once.
  if (router_.TrySendCode(baudot::kLetters)) {
    encoder_.NoteLettersShiftSent();
  }
  busy_.Release();
}

}  // namespace kestrix
