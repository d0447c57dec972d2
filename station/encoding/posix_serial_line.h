#pragma once
// The serial line on Linux: termios (termios2 with BOTHER for rates without
// a constant, such as 45 baud), modem-control lines by ioctl, one byte in
// flight at a time.
//
// One worker thread of this line drains while the callers wait: the window
// thread in its event loop (the worker posts an empty call to wake it),
// other threads on a condition. tcdrain() has no timeout, so a watchdog
// thread discards the output of a drain that outlives its limit, which
// ends it. Close() never closes the descriptor under a drain: it discards
// the output (ending the drain) and waits for every drainer to leave first.

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

  ByteWrite WriteByte(std::uint8_t byte) override;
  std::string WriteFailure() const override;
  bool WaitUntilSent(EventLoop& loop, std::chrono::milliseconds limit) override;
  bool OutputPending() override;

  void SetRts(bool on) override;
  void SetDtr(bool on) override;
  void SetBreak(bool on) override;

  bool Probe(const std::string& device) override;

 private:
  using Deadline = std::chrono::steady_clock::time_point;

  void StartThreads();
  // Called and return with `lock` held; release it while they block. False
  // when the device stalled past `deadline`.
  bool Drain(std::unique_lock<std::mutex>& lock, int fd, std::uint64_t generation,
             Deadline deadline);
  bool WaitForRoom(std::unique_lock<std::mutex>& lock, int fd, Deadline deadline);
  void RunDrainWorker();
  void RunWatchdog();
  void WakeWindowWaiter();
  void SetModemLine(int line, bool on);

  mutable std::mutex mutex_;
  std::condition_variable changed_;  // any change below
  int fd_ = -1;
  bool closing_ = false;
  std::uint64_t generation_ = 0;  // advances on every close
  int drainers_ = 0;              // threads using fd_ outside the lock
  std::chrono::microseconds characterTime_;
  bool drainUnsupported_ = false;
  int writeError_ = 0;  // errno of the last failed write

  // Drains asked for by the callers and done by the worker; a drain serves
  // every request made before it started, within the newest request's limit.
  std::uint64_t requested_ = 0;
  std::uint64_t served_ = 0;
  std::chrono::milliseconds limit_{0};
  std::uint64_t stalls_ = 0;  // drains that outlived their limit
  int windowWaiters_ = 0;
  EventLoop* windowLoop_ = nullptr;
  bool stopping_ = false;

  // The tcdrain() in progress, for the watchdog.
  bool inTcdrain_ = false;
  std::uint64_t tcdrains_ = 0;
  Deadline tcdrainDeadline_{};
  int tcdrainFd_ = -1;
  bool tcdrainFlushed_ = false;

  std::thread worker_;  // both started by the first wait
  std::thread watchdog_;
};

}  // namespace kestrix
