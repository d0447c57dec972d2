#pragma once
// One serial device as the output routing uses it: a byte stream framed by
// the UART, and the RTS, DTR and break lines. Implemented on termios for the
// program and by a recording fake for the tests.

#include <chrono>
#include <cstdint>
#include <string>

namespace kestrix {

class EventLoop;

struct SerialLineSettings {
  int baud = 45;         // whole baud; set exactly even without a termios constant
  int dataBits = 5;      // 5..8
  int parity = 0;        // 0 none, 1 odd, 2 even
  int stopBitsCode = 1;  // 0 one, 1 one and a half (5 data bits), 2 two
  bool operator==(const SerialLineSettings&) const = default;
};

// How long one character takes on the line: start, data, parity and stop
// bits (one and a half stop bits with five data bits and code 1, two with
// more, as a UART does).
inline std::chrono::microseconds CharacterTime(const SerialLineSettings& settings) {
  // In half bits, for the one and a half stop bits.
  long halfBits = 2 * (1 + settings.dataBits);
  if (settings.parity != 0) {
    halfBits += 2;
  }
  if (settings.stopBitsCode == 0) {
    halfBits += 2;
  } else if (settings.stopBitsCode == 1 && settings.dataBits == 5) {
    halfBits += 3;
  } else {
    halfBits += 4;
  }
  const long baud = settings.baud > 0 ? settings.baud : 1;
  return std::chrono::microseconds{halfBits * 1'000'000L / (2 * baud)};
}

// What became of a byte handed to the driver.
enum class ByteWrite {
  kTaken,
  kNoRoom,  // the driver is full: try again once it has room
  kFailed,  // the device refuses (gone, or the line is closed)
};

class SerialLine {
 public:
  virtual ~SerialLine() = default;

  // Opens `device` for reading and writing, for this process alone, and
  // drops DTR and RTS at once so that opening never keys a transmitter.
  // False when the device does not exist or is taken.
  virtual bool Open(const std::string& device) = 0;
  // Applies the line settings; no flow control, DTR and RTS left alone.
  // False when the driver refuses (not fatal: the caller goes on).
  virtual bool Configure(const SerialLineSettings& settings) = 0;
  // Drops DTR and RTS, discards what is queued both ways, closes.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Hands one byte to the driver without blocking.
  virtual ByteWrite WriteByte(std::uint8_t byte) = 0;
  // Why the last write failed, in words; empty when none has.
  virtual std::string WriteFailure() const = 0;
  // Returns true once everything written has left the driver and the UART
  // (one character in flight at a time) and the driver has room for the
  // next byte. False when that has not happened within `limit`: the device
  // stalls, and what it still held is discarded. On the window thread it
  // dispatches window events while it waits (and blocks, never spins); on
  // other threads it simply blocks. True at once when the line closes.
  virtual bool WaitUntilSent(EventLoop& loop, std::chrono::milliseconds limit) = 0;
  // True while written bytes are still in the driver; never blocks.
  virtual bool OutputPending() = 0;

  // Modem-control and break lines. A device without them (a pseudo-
  // terminal) ignores these; that is not an error.
  virtual void SetRts(bool on) = 0;
  virtual void SetDtr(bool on) = 0;
  virtual void SetBreak(bool on) = 0;

  // True when `device` can be opened for reading now (it is closed again).
  virtual bool Probe(const std::string& device) = 0;
};

}  // namespace kestrix
