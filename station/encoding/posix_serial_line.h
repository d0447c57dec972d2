#pragma once
// The serial line on Linux: termios (termios2 with BOTHER for rates without
// a constant, such as 45 baud), modem-control lines by ioctl, one byte in
// flight at a time.
//
// The window thread must not block in tcdrain(), so there one worker thread
// of this line drains while the window thread waits in its event loop; the
// worker posts an empty call to wake it. Other threads drain themselves.
// Close() never closes the descriptor under a drain: it discards the output
// (ending the drain) and waits for every drainer to leave first.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "station/encoding/serial_line.h"

namespace kestrix {

class PosixSerialLine final : public SerialLine {
 public:
  PosixSerialLine();
  ~PosixSerialLine() override;

  PosixSerialLine(const PosixSerialLine&) = delete;
  PosixSerialLine& operator=(const PosixSerialLine&) = delete;

  bool Open(const std::string& device) override;
  bool Configure(const SerialLineSettings& settings) override;
  void Close() override;
  bool IsOpen() const override;

  bool WriteByte(std::uint8_t byte) override;
  void WaitUntilSent(EventLoop& loop) override;
  bool OutputPending() override;

  void SetRts(bool on) override;
  void SetDtr(bool on) override;
  void SetBreak(bool on) override;

  bool Probe(const std::string& device) override;

 private:
  void WaitOnWindowThread(std::unique_lock<std::mutex>& lock, EventLoop& loop);
  // Called and returns with `lock` held; releases it while it blocks.
  void Drain(std::unique_lock<std::mutex>& lock, int fd, std::uint64_t generation);
  void RunDrainWorker();
  void SetModemLine(int line, bool on);

  mutable std::mutex mutex_;
  std::condition_variable changed_;  // any change below
  int fd_ = -1;
  bool closing_ = false;
  std::uint64_t generation_ = 0;  // advances on every close
  int drainers_ = 0;              // threads using fd_ outside the lock
  std::chrono::microseconds characterTime_;
  bool drainUnsupported_ = false;

  // Drains asked for by the window thread and done by the worker; a drain
  // serves every request made before it started.
  std::uint64_t requested_ = 0;
  std::uint64_t served_ = 0;
  int windowWaiters_ = 0;
  EventLoop* windowLoop_ = nullptr;
  bool stopping_ = false;
  std::thread worker_;  // started by the first wait on the window thread
};

}  // namespace kestrix
