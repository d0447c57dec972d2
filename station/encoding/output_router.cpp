#include "station/encoding/output_router.h"

#include "station/encoding/station_mode.h"

namespace kestrix {

namespace {
// The modem keeps this many characters queued at most.
constexpr int kModemQueueLimit = 2;
}  // namespace

OutputRouter::OutputRouter(StationSettings& settings, EventLoop& loop, SerialPort& port,
                           Psk31Modem& modem)
    : settings_(settings), loop_(loop), port_(port), modem_(modem) {}

std::shared_ptr<SoundKeyer> OutputRouter::ActiveSoundKeyer() const {
  return UsesSoundCard(settings_.soundCardID) ? soundKeyer_.load() : nullptr;
}

void OutputRouter::SendCode(int code) {
  if (settings_.MODE == kModePsk31) {
    SendToModem(code);
    return;
  }
  if (std::shared_ptr<SoundKeyer> keyer = ActiveSoundKeyer()) {
    SendToSoundKeyer(*keyer, code);
    return;
  }
  SendToSerialPort(code);
}

void OutputRouter::SendToModem(int code) {
  modem_.QueueCharacter(code, 0);
  while (modem_.QueuedCount() > kModemQueueLimit) {
    loop_.WaitForNextEvent();
  }
}

void OutputRouter::SendToSoundKeyer(SoundKeyer& keyer, int code) {
  while (!keyer.QueueEmpty()) {
    loop_.WaitForNextEvent();
  }
  keyer.Enqueue(code);
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
  if (std::shared_ptr<SoundKeyer> keyer = ActiveSoundKeyer()) {
    keyer->Enqueue(code);
    return true;
  }
  return port_.Line().WriteByte(static_cast<std::uint8_t>(code));
}

bool OutputRouter::PathIdle() {
  if (settings_.MODE == kModePsk31) {
    return modem_.QueuedCount() == 0;
  }
  if (std::shared_ptr<SoundKeyer> keyer = ActiveSoundKeyer()) {
    return keyer->QueueEmpty();
  }
  return port_.IsOpen() && !port_.Line().OutputPending();
}

}  // namespace kestrix
