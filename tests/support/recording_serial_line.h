#pragma once
// A serial line that records a timeline of bytes and line changes against
// the simulated clock. A byte stays "in flight" for its real character time
// at the configured rate and framing, so pacing and keying are exact.

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/event_condition.h"
#include "station/encoding/serial_line.h"
#include "tests/common_support/simulated_event_loop.h"

namespace kestrix::testing {

class RecordingSerialLine final : public SerialLine {
 public:
  enum class Kind { kOpen, kConfigure, kClose, kByte, kRts, kDtr, kBreak };
  struct Event {
    WallClock::duration at;  // since the loop's start
    Kind kind;
    int value;  // the byte, or 1/0 for a line
    bool operator==(const Event&) const = default;
  };

  explicit RecordingSerialLine(SimulatedEventLoop& loop);

  bool Open(const std::string& device) override;
  bool Configure(const SerialLineSettings& settings) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  ByteWrite WriteByte(std::uint8_t byte) override;
  std::string WriteFailure() const override { return dead ? "Input/output error" : ""; }
  bool WaitUntilSent(EventLoop& loop, std::chrono::milliseconds limit) override;
  bool OutputPending() override;
  void SetRts(bool on) override;
  void SetDtr(bool on) override;
  void SetBreak(bool on) override;
  bool Probe(const std::string& device) override { return devices.count(device) > 0; }

  // One character's time on the line at the configured settings.
  WallClock::duration CharacterTime() const;

  std::vector<int> Bytes() const;
  std::vector<Event> EventsOf(Kind kind) const;

  // Devices that exist; /dev/ttyS0..7 by default.
  std::set<std::string> devices;
  std::vector<std::string> opened;  // devices opened, in order
  std::vector<Event> events;
  SerialLineSettings settings;
  bool rts = false;
  bool dtr = false;
  bool breakOn = false;
  int refuseWrites = 0;  // the next n writes are not taken
  // A driver with no room beyond the byte on the wire.
  std::atomic<bool> fullWhileInFlight{false};
  // A device that has gone (a pulled adapter): every write fails.
  std::atomic<bool> dead{false};
  // A device that takes bytes and never sends them: every wait for them
  // runs out its limit.
  std::atomic<bool> stalled{false};
  // Stalls once it has taken this many bytes (never when negative).
  int stallAfterBytes = -1;
  std::atomic<int> writeAttempts{0};

 private:
  void Record(Kind kind, int value);

  SimulatedEventLoop& loop_;
  EventCondition sent_{loop_};  // a byte's time on the line is over
  WallClock::time_point start_;
  WallClock::time_point inFlightUntil_;
  std::atomic<bool> open_{false};
};

}  // namespace kestrix::testing
