#include "station/encoding/posix_serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/event_loop.h"
#include "station/encoding/termios_settings.h"

namespace kestrix {
namespace {

// Linux raises DTR and RTS whenever a tty is opened, and a transmitter may
// be keyed by either. A pseudo-terminal has no such lines: failure is fine.
void DropDtrAndRts(int fd) {
  int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd, TIOCMBIC, &lines);
}

// Raw until Configure() sets the framing: no output processing, no flow
// control, lines left alone on close.
void MakeRaw(int fd) {
  struct termios t {};
  if (::tcgetattr(fd, &t) != 0) {
    return;
  }
  ::cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
  t.c_cflag |= CLOCAL | CREAD;
  ::tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

PosixSerialLine::PosixSerialLine() : characterTime_(CharacterTime(SerialLineSettings{})) {}

PosixSerialLine::~PosixSerialLine() {
  Close();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) {
    worker_.join();
    watchdog_.join();
  }
}

bool PosixSerialLine::Open(const std::string& device) {
  Close();
  std::unique_lock lock(mutex_);
  // Another thread may still be closing (it waits for a drainer to leave).
  changed_.wait(lock, [&] { return !closing_; });
  if (fd_ >= 0) {
    return false;  // opened by another thread meanwhile
  }
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  ::ioctl(fd, TIOCEXCL);
  DropDtrAndRts(fd);
  // Not a tty (a file, /dev/null): bulletins would go nowhere, silently.
  if (!::isatty(fd)) {
    ::close(fd);
    return false;
  }
  ::tcflush(fd, TCIOFLUSH);
  MakeRaw(fd);
  fd_ = fd;
  drainUnsupported_ = false;  // another device, another driver
  writeError_ = 0;
  return true;
}

bool PosixSerialLine::Configure(const SerialLineSettings& settings) {
  const auto termios = ComputeLineTermios(settings);
  if (!termios) {
    return false;
  }
  std::lock_guard lock(mutex_);
  if (fd_ < 0 || !ApplyLineTermios(fd_, *termios)) {
    return false;
  }
  characterTime_ = CharacterTime(settings);
  return true;
}

void PosixSerialLine::Close() {
  std::unique_lock lock(mutex_);
  if (fd_ < 0) {
    return;
  }
  const int fd = fd_;
  // From here on nobody starts to use the descriptor, and every wait for a
  // drain of it is over.
  fd_ = -1;
  ++generation_;
  served_ = requested_;
  closing_ = true;
  // A window thread blocked in its loop (when this runs on another thread)
  // must look again.
  WakeWindowWaiter();
  changed_.notify_all();
  if (drainers_ > 0) {
    // tcdrain() would otherwise hold us until the whole queue has gone out.
    ::tcflush(fd, TCOFLUSH);
    changed_.wait(lock, [&] { return drainers_ == 0; });
  }
  DropDtrAndRts(fd);
  ::tcflush(fd, TCIOFLUSH);
  ::close(fd);
  closing_ = false;
  changed_.notify_all();
}

bool PosixSerialLine::IsOpen() const {
  std::lock_guard lock(mutex_);
  return fd_ >= 0;
}

ByteWrite PosixSerialLine::WriteByte(std::uint8_t byte) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) {
    return ByteWrite::kFailed;
  }
  ssize_t written;
  do {
    written = ::write(fd_, &byte, 1);
  } while (written < 0 && errno == EINTR);
  if (written == 1) {
    return ByteWrite::kTaken;
  }
  if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
    return ByteWrite::kNoRoom;
  }
  writeError_ = written < 0 ? errno : EIO;
  return ByteWrite::kFailed;
}

std::string PosixSerialLine::WriteFailure() const {
  std::lock_guard lock(mutex_);
  if (writeError_ == 0) {
    return {};
  }
  // Not strerror(): the same English words whatever the user's language.
  const char* text = ::strerrordesc_np(writeError_);
  return text != nullptr ? text : "error " + std::to_string(writeError_);
}

void PosixSerialLine::StartThreads() {
  if (!worker_.joinable()) {
    worker_ = std::thread([this] { RunDrainWorker(); });
    watchdog_ = std::thread([this] { RunWatchdog(); });
  }
}

bool PosixSerialLine::WaitUntilSent(EventLoop& loop, std::chrono::milliseconds limit) {
  const bool windowThread = loop.IsWindowThread();
  std::unique_lock lock(mutex_);
  if (fd_ < 0) {
    return true;
  }
  StartThreads();
  const std::uint64_t ticket = ++requested_;
  const std::uint64_t stalls = stalls_;
  limit_ = limit;
  changed_.notify_all();
  // A stall ends every wait at once, even if the driver keeps the drain.
  // Close() marks every request served.
  const auto over = [&] { return served_ >= ticket || stalls_ != stalls; };
  if (windowThread) {
    // The window thread keeps dispatching (a handler may write and wait
    // again, re-entrantly, or close the line); the lock is never held
    // across the loop.
    windowLoop_ = &loop;
    ++windowWaiters_;
    while (!over()) {
      lock.unlock();
      loop.WaitForNextEvent();
      lock.lock();
    }
    --windowWaiters_;
  } else {
    changed_.wait(lock, over);
  }
  return stalls_ == stalls;
}

// Posted under the lock: a waiter cannot see what woke it, return and let
// its loop go before Post() is done with it.
void PosixSerialLine::WakeWindowWaiter() {
  if (windowWaiters_ > 0) {
    windowLoop_->Post([] {});
  }
}

void PosixSerialLine::RunDrainWorker() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || served_ < requested_; });
    if (stopping_) {
      return;
    }
    const std::uint64_t ticket = requested_;
    const Deadline deadline = std::chrono::steady_clock::now() + limit_;
    if (fd_ >= 0) {
      const int fd = fd_;
      ++drainers_;
      const bool drained =
          Drain(lock, fd, generation_, deadline) && WaitForRoom(lock, fd, deadline);
      --drainers_;
      // The watchdog has counted a stall that it ended.
      if (!drained && !tcdrainFlushed_) {
        ++stalls_;
      }
    }
    // When Close() came first it has served and woken the waiter itself.
    served_ = std::max(served_, ticket);
    WakeWindowWaiter();
    changed_.notify_all();
  }
}

// Ends a tcdrain() that outlives its deadline by discarding the output,
// as Close() does.
void PosixSerialLine::RunWatchdog() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || inTcdrain_; });
    if (stopping_) {
      return;
    }
    const std::uint64_t drain = tcdrains_;
    const auto ended = [&] { return stopping_ || !inTcdrain_ || tcdrains_ != drain; };
    if (changed_.wait_until(lock, tcdrainDeadline_, ended)) {
      continue;
    }
    // The worker counts as a drainer: the descriptor is still open. The
    // waiters go on at once, even if the driver is slow to end the drain.
    tcdrainFlushed_ = true;
    ++stalls_;
    ::tcflush(tcdrainFd_, TCOFLUSH);
    WakeWindowWaiter();
    changed_.notify_all();
    changed_.wait(lock, ended);
  }
}

bool PosixSerialLine::Drain(std::unique_lock<std::mutex>& lock, int fd, std::uint64_t generation,
                            Deadline deadline) {
  if (!drainUnsupported_) {
    inTcdrain_ = true;
    ++tcdrains_;
    tcdrainDeadline_ = deadline;
    tcdrainFd_ = fd;
    tcdrainFlushed_ = false;
    changed_.notify_all();
    lock.unlock();
    int result;
    int error;
    do {
      result = ::tcdrain(fd);
      error = errno;
    } while (result != 0 && error == EINTR);
    lock.lock();
    inTcdrain_ = false;
    changed_.notify_all();
    if (tcdrainFlushed_) {
      return false;  // ended by the watchdog
    }
    if (result == 0) {
      return true;
    }
    if (error != ENOTTY && error != EINVAL && error != ENOSYS) {
      return true;  // a device gone: the next write says so
    }
    drainUnsupported_ = true;
  }
  // Without tcdrain, watch the driver's queue a character time at a time.
  // The byte that left the queue is still in the UART, so wait first.
  for (;;) {
    if (changed_.wait_for(lock, characterTime_,
                          [&] { return generation_ != generation || stopping_; })) {
      return true;
    }
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::tcflush(fd, TCOFLUSH);
      return false;
    }
  }
}

// A pseudo-terminal drains at once but fills up when its reader falls
// behind; a UART that has drained has room. Close() discards the output,
// which makes room and ends the wait.
bool PosixSerialLine::WaitForRoom(std::unique_lock<std::mutex>& lock, int fd, Deadline deadline) {
  lock.unlock();
  pollfd p{fd, POLLOUT, 0};
  int ready;
  do {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    ready = ::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0)));
  } while (ready < 0 && errno == EINTR);
  lock.lock();
  if (ready != 0) {
    return true;  // room, or an error the next write reports
  }
  ::tcflush(fd, TCOFLUSH);
  return false;
}

bool PosixSerialLine::OutputPending() {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) {
    return false;
  }
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0) {
    return true;
  }
  // The last byte may still be in the UART's shift register; a UART driver
  // tells (a pseudo-terminal does not, and has nothing in flight).
  unsigned int status = 0;
  return ::ioctl(fd_, TIOCSERGETLSR, &status) == 0 && (status & TIOCSER_TEMT) == 0;
}

void PosixSerialLine::SetModemLine(int line, bool on) {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) {
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
  }
}

void PosixSerialLine::SetRts(bool on) {
  SetModemLine(TIOCM_RTS, on);
}

void PosixSerialLine::SetDtr(bool on) {
  SetModemLine(TIOCM_DTR, on);
}

void PosixSerialLine::SetBreak(bool on) {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) {
    ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK);
  }
}

bool PosixSerialLine::Probe(const std::string& device) {
  struct stat wanted {};
  if (::stat(device.c_str(), &wanted) != 0) {
    return false;
  }
  {
    // Our own port, under whatever name: opening it again would fail (it is
    // exclusive) or, for root, drop the lines under a transmission.
    std::lock_guard lock(mutex_);
    struct stat ours {};
    if (fd_ >= 0 && ::fstat(fd_, &ours) == 0 && S_ISCHR(wanted.st_mode) &&
        wanted.st_rdev == ours.st_rdev) {
      return true;
    }
  }
  const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  DropDtrAndRts(fd);
  const bool tty = ::isatty(fd) != 0;
  ::close(fd);
  return tty;
}

}  // namespace kestrix
