#include "tests/support/recording_serial_line.h"

namespace kestrix::testing {

RecordingSerialLine::RecordingSerialLine(SimulatedEventLoop& loop)
    : loop_(loop), start_(loop.Now()), inFlightUntil_(loop.Now()) {
  for (int i = 0; i < 8; ++i) {
    devices.insert("/dev/ttyS" + std::to_string(i));
  }
}

void RecordingSerialLine::Record(Kind kind, int value) {
  events.push_back({loop_.Now() - start_, kind, value});
}

bool RecordingSerialLine::Open(const std::string& device) {
  if (devices.count(device) == 0) {
    return false;
  }
  opened.push_back(device);
  open_ = true;
  rts = dtr = breakOn = false;
  Record(Kind::kOpen, 1);
  return true;
}

bool RecordingSerialLine::Configure(const SerialLineSettings& newSettings) {
  settings = newSettings;
  Record(Kind::kConfigure, newSettings.baud);
  return true;
}

void RecordingSerialLine::Close() {
  if (!open_) {
    return;
  }
  SetDtr(false);
  SetRts(false);
  open_ = false;
  inFlightUntil_ = loop_.Now();
  sent_.Notify();
  Record(Kind::kClose, 0);
}

WallClock::duration RecordingSerialLine::CharacterTime() const {
  return kestrix::CharacterTime(settings);
}

ByteWrite RecordingSerialLine::WriteByte(std::uint8_t byte) {
  ++writeAttempts;
  if (!open_ || dead) {
    return ByteWrite::kFailed;
  }
  if (refuseWrites > 0) {
    --refuseWrites;
    return ByteWrite::kNoRoom;
  }
  const auto now = loop_.Now();
  if (fullWhileInFlight && now < inFlightUntil_) {
    return ByteWrite::kNoRoom;
  }
  inFlightUntil_ = std::max(inFlightUntil_, now) + CharacterTime();
  Record(Kind::kByte, byte);
  if (stallAfterBytes >= 0 && Bytes().size() >= static_cast<std::size_t>(stallAfterBytes)) {
    stalled = true;
  }
  return ByteWrite::kTaken;
}

bool RecordingSerialLine::WaitUntilSent(EventLoop& loop, std::chrono::milliseconds limit) {
  const bool stalls = stalled;
  const auto until = stalls ? loop_.Now() + limit : inFlightUntil_;
  if (loop_.Now() >= until) {
    return true;
  }
  loop_.PostAt(until, [this] { sent_.Notify(); });
  sent_.WaitUntil([&] { return !open_ || loop.Now() >= until; });
  return !stalls || !open_;
}

bool RecordingSerialLine::OutputPending() {
  return open_ && loop_.Now() < inFlightUntil_;
}

void RecordingSerialLine::SetRts(bool on) {
  if (open_ && rts != on) {
    rts = on;
    Record(Kind::kRts, on);
  }
}

void RecordingSerialLine::SetDtr(bool on) {
  if (open_ && dtr != on) {
    dtr = on;
    Record(Kind::kDtr, on);
  }
}

void RecordingSerialLine::SetBreak(bool on) {
  if (open_ && breakOn != on) {
    breakOn = on;
    Record(Kind::kBreak, on);
  }
}

std::vector<int> RecordingSerialLine::Bytes() const {
  std::vector<int> bytes;
  for (const auto& e : events) {
    if (e.kind == Kind::kByte) {
      bytes.push_back(e.value);
    }
  }
  return bytes;
}

std::vector<RecordingSerialLine::Event> RecordingSerialLine::EventsOf(Kind kind) const {
  std::vector<Event> out;
  for (const auto& e : events) {
    if (e.kind == kind) {
      out.push_back(e);
    }
  }
  return out;
}

}  // namespace kestrix::testing
