#include "station/encoding/termios_settings.h"

// The kernel's flag values; this file must not include <termios.h>.
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrix {
namespace {

TEST(TermiosSettings, FramingAndExactRateAsAsked) {
  struct Case {
    SerialLineSettings settings;
    unsigned framing;  // CSIZE, CSTOPB, PARENB, PARODD
  };
  const Case cases[] = {
      {{.baud = 45, .dataBits = 5, .parity = 0, .stopBitsCode = 1}, CS5 | CSTOPB},
      {{.baud = 56, .dataBits = 5, .parity = 0, .stopBitsCode = 0}, CS5},
      {{.baud = 74, .dataBits = 6, .parity = 2, .stopBitsCode = 2}, CS6 | CSTOPB | PARENB},
      {{.baud = 110, .dataBits = 8, .parity = 0, .stopBitsCode = 0}, CS8},
      {{.baud = 300, .dataBits = 7, .parity = 1, .stopBitsCode = 0}, CS7 | PARENB | PARODD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings.baud);
    const auto t = ComputeLineTermios(c.settings);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->cflag & (CSIZE | CSTOPB | PARENB | PARODD), c.framing);
    // BOTHER in both speed fields, so the exact rate is used both ways.
    EXPECT_EQ(t->cflag & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_EQ((t->cflag >> IBSHIFT) & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_EQ(t->ospeed, static_cast<unsigned>(c.settings.baud));
    EXPECT_EQ(t->ispeed, static_cast<unsigned>(c.settings.baud));
    // Flow control would hold the output or tie up RTS (the transmitter),
    // output processing would add CRs, HUPCL would drop the lines on close.
    EXPECT_EQ(t->cflag & (CLOCAL | CREAD), static_cast<unsigned>(CLOCAL | CREAD));
    EXPECT_EQ(t->cflag & (CRTSCTS | HUPCL), 0u);
    EXPECT_EQ(t->iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(t->oflag & OPOST, 0u);
    EXPECT_EQ(t->lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  }
}

TEST(TermiosSettings, RefusesWhatAUartCannotFrame) {
  EXPECT_FALSE(ComputeLineTermios({.baud = 0}));
  EXPECT_FALSE(ComputeLineTermios({.dataBits = 4}));
  EXPECT_FALSE(ComputeLineTermios({.dataBits = 9}));
  EXPECT_FALSE(ComputeLineTermios({.parity = 3}));
  EXPECT_FALSE(ComputeLineTermios({.stopBitsCode = 3}));
}

TEST(TermiosSettings, RateWithoutConstantReadsBackFromAPseudoTerminal) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
  const int fd = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  struct termios2 before {};
  ASSERT_EQ(::ioctl(fd, TCGETS2, &before), 0);
  EXPECT_TRUE(ApplyLineTermios(fd, *ComputeLineTermios({.baud = 45})));
  struct termios2 after {};
  ASSERT_EQ(::ioctl(fd, TCGETS2, &after), 0);
  EXPECT_EQ(after.c_ospeed, 45u);
  EXPECT_EQ(after.c_oflag & OPOST, 0u);
  EXPECT_EQ(after.c_line, before.c_line);
  ::close(fd);
  ::close(master);
}

}  // namespace
}  // namespace kestrix
