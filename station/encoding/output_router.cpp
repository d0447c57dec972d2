#include "station/encoding/output_router.h"

#include "station/config/station_mode.h"

namespace kestrix {

namespace {
// The modem keeps this many characters queued at most.
constexpr int kModemQueueLimit = 2;
}  // namespace

OutputRouter::OutputRouter(StationSettings& settings, EventLoop& loop, SerialPort& port,
                           Psk31Modem& modem, SoundKeyer& soundKeyer)
    : settings_(settings), loop_(loop), port_(port), modem_(modem), soundKeyer_(soundKeyer) {}

bool OutputRouter::SoundPath() const {
  return settings_.MODE != kModePsk31 && UsesSoundCard(settings_.soundCardID);
}

void OutputRouter::SendCode(int code) {
  if (settings_.MODE == kModePsk31) {
    SendToModem(code);
    return;
  }
  if (SoundPath()) {
    // Lost codes are told by LostBecause(): a code kept for a later
    // transmitter-on would go out of its context.
    soundKeyer_.Send(code);
    return;
  }
  SendToSerialPort(code);
}

std::string OutputRouter::LostBecause() {
  if (!SoundPath()) {
    return {};
  }
  switch (soundKeyer_.State()) {
    case SoundPathState::kFailed:
      return "the sound card failed";
    case SoundPathState::kOff:
      // On, yet no worker: switched on in PSK31 or CW, and the mode changed since.
      return settings_.transmitOn ? "the sound card was not started with the transmitter"
                                  : "the transmitter is off";
    case SoundPathState::kStarting:
    case SoundPathState::kRunning:
      break;
  }
  return {};
}

void OutputRouter::SendToModem(int code) {
  modem_.QueueCharacter(code, 0);
  while (modem_.QueuedCount() > kModemQueueLimit) {
    loop_.WaitForNextEvent();
  }
}

void OutputRouter::SendToSerialPort(int code) {
  for (;;) {
    if (!port_.IsOpen()) {
      return;
    }
    if (port_.Line().WriteByte(static_cast<std::uint8_t>(code))) {
      break;
    }
    // Not taken: wait for the next event rather than spin (a pulled USB
    // adapter fails every write; the operator can still cancel).
    loop_.WaitForNextEvent();
  }
  port_.Line().WaitUntilSent(loop_);
}

bool OutputRouter::TrySendCode(int code) {
  if (!PathIdle()) {
    return false;
  }
  if (settings_.MODE == kModePsk31) {
    modem_.QueueCharacter(code, 0);
    return true;
  }
  if (SoundPath()) {
    return soundKeyer_.TrySend(code);
  }
  return port_.Line().WriteByte(static_cast<std::uint8_t>(code));
}

bool OutputRouter::PathIdle() {
  if (settings_.MODE == kModePsk31) {
    return modem_.QueuedCount() == 0;
  }
  if (SoundPath()) {
    return soundKeyer_.Idle();
  }
  return port_.IsOpen() && !port_.Line().OutputPending();
}

}  // namespace kestrix
