#include "station/encoding/termios_settings.h"

// Kernel termios2 and its ioctls; <termios.h> must stay out of this file.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdlib>

namespace kestrix {
namespace {

static_assert(sizeof(tcflag_t) == sizeof(std::uint32_t) &&
              sizeof(speed_t) == sizeof(std::uint32_t));

// Drivers round the divisor; a UART copes with a couple of percent.
constexpr long kRateTolerancePercent = 2;

}  // namespace

std::optional<LineTermios> ComputeLineTermios(const SerialLineSettings& settings) {
  if (settings.baud <= 0) {
    return std::nullopt;
  }
  LineTermios t;
  switch (settings.dataBits) {
    case 5:
      t.cflag |= CS5;
      break;
    case 6:
      t.cflag |= CS6;
      break;
    case 7:
      t.cflag |= CS7;
      break;
    case 8:
      t.cflag |= CS8;
      break;
    default:
      return std::nullopt;
  }
  switch (settings.parity) {
    case 0:
      break;
    case 1:
      t.cflag |= PARENB | PARODD;
      break;
    case 2:
      t.cflag |= PARENB;
      break;
    default:
      return std::nullopt;
  }
  switch (settings.stopBitsCode) {
    case 0:
      break;
    case 1:  // a 16550 sends one and a half with five data bits
    case 2:
      t.cflag |= CSTOPB;
      break;
    default:
      return std::nullopt;
  }
  // No CRTSCTS: RTS keys the transmitter. No HUPCL: closing must not touch
  // the lines behind our back.
  t.cflag |= CLOCAL | CREAD;
  // BOTHER in both the output and the input speed field: both rates come
  // from c_ospeed / c_ispeed, not from a B constant.
  t.cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.ispeed = static_cast<std::uint32_t>(settings.baud);
  t.ospeed = static_cast<std::uint32_t>(settings.baud);
  // Raw: every byte goes out as it is (no CR before LF, no XON/XOFF), and
  // nothing that arrives is interpreted.
  t.iflag = IGNBRK;
  t.oflag = 0;
  t.lflag = 0;
  return t;
}

bool ApplyLineTermios(int fd, const LineTermios& wanted) {
  // Start from the current state to keep the line discipline and the
  // control characters; every flag word is replaced.
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) {
    return false;
  }
  t.c_cflag = wanted.cflag;
  t.c_iflag = wanted.iflag;
  t.c_oflag = wanted.oflag;
  t.c_lflag = wanted.lflag;
  t.c_ispeed = wanted.ispeed;
  t.c_ospeed = wanted.ospeed;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (::ioctl(fd, TCSETS2, &t) != 0) {
    return false;
  }
  // Some drivers accept any rate and quietly run another (a USB adapter
  // that cannot go below 183 baud). Read back what the line really does.
  struct termios2 actual {};
  if (::ioctl(fd, TCGETS2, &actual) != 0 || actual.c_ospeed == 0) {
    return true;  // nothing to compare with
  }
  const long wantedRate = wanted.ospeed;
  const long off = std::labs(static_cast<long>(actual.c_ospeed) - wantedRate);
  return off * 100 <= wantedRate * kRateTolerancePercent;
}

}  // namespace kestrix
