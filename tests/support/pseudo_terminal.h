#pragma once
// A pseudo-terminal standing in for a serial port: the station opens the
// slave by its path, the test reads what was sent from the master.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace kestrix::testing {

// The line under test opens the slave; the test reads the master.
class PseudoTerminal {
 public:
  PseudoTerminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
      slave_ = ::ptsname(master_);
    }
  }
  ~PseudoTerminal() { CloseMaster(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& Slave() const { return slave_; }

  // The long timeouts only keep a broken line from hanging the test.
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> got(count);
    std::size_t have = 0;
    while (have < count && Poll(POLLIN)) {
      const ssize_t n = ::read(master_, got.data() + have, count - have);
      if (n <= 0) {
        break;
      }
      have += static_cast<std::size_t>(n);
    }
    got.resize(have);
    return got;
  }
  // The other end goes away, as a device that is pulled out.
  void CloseMaster() {
    if (master_ >= 0) {
      ::close(master_);
      master_ = -1;
    }
  }
  // True once nobody has the slave open any more.
  bool SlaveClosed() { return Poll(0) & POLLHUP; }

 private:
  short Poll(short events) {
    pollfd p{master_, events, 0};
    return ::poll(&p, 1, 10'000) == 1 ? p.revents : 0;
  }

  int master_;
  std::string slave_;
};

}  // namespace kestrix::testing
