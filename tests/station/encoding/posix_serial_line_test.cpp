#include "station/encoding/posix_serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "station/encoding/character_encoder.h"
#include "station/encoding/output_router.h"
#include "station/encoding/serial_port.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/pseudo_terminal.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::PseudoTerminal;
using namespace std::chrono_literals;

// Far beyond what a pseudo-terminal that is read needs.
constexpr std::chrono::milliseconds kLimit = 10s;

// CR, LF, NUL and 8-bit bytes catch any output processing left on.
const Bytes kStream = {'R', 'Y', '\r', '\n', 0x00, 0x1F, 0x7F, 0xFF, 'K'};

class PosixSerialLineTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(line.Open(pty.Slave())); }

  void Send(const Bytes& bytes) {
    for (const std::uint8_t b : bytes) {
      ASSERT_EQ(line.WriteByte(b), ByteWrite::kTaken);
      ASSERT_TRUE(line.WaitUntilSent(loop, kLimit));
    }
  }

  testing::SimulatedEventLoop loop{testing::LocalMoment(2011, 3, 1, 12, 0, 0)};
  PseudoTerminal pty;
  PosixSerialLine line;
};

// Before any Configure: a pseudo-terminal starts with CR before LF.
TEST_F(PosixSerialLineTest, WindowThreadSendsExactBytesRawFromOpen) {
  Send(kStream);
  EXPECT_FALSE(line.OutputPending());
  EXPECT_EQ(pty.Read(kStream.size()), kStream);
}

TEST_F(PosixSerialLineTest, AnotherThreadSendsAfterConfigure) {
  EXPECT_TRUE(line.Configure({.baud = 45, .dataBits = 5, .parity = 0, .stopBitsCode = 1}));
  std::thread sender([&] { Send(kStream); });
  sender.join();
  EXPECT_EQ(pty.Read(kStream.size()), kStream);
}

// A window event inside the wait writes and waits again on the same thread.
TEST_F(PosixSerialLineTest, WaitDispatchesWindowEventsThatSendThemselves) {
  bool waiting = false;
  bool ranInsideWait = false;
  loop.Post([&] {
    ranInsideWait = waiting;
    Send({'B'});
  });
  ASSERT_EQ(line.WriteByte('A'), ByteWrite::kTaken);
  waiting = true;
  EXPECT_TRUE(line.WaitUntilSent(loop, kLimit));
  waiting = false;
  EXPECT_TRUE(ranInsideWait);
  Send({'C'});
  EXPECT_EQ(pty.Read(3), (Bytes{'A', 'B', 'C'}));
}

// A menu command run inside the wait closes the port; the wait ends.
TEST_F(PosixSerialLineTest, CloseInsideTheWaitEndsIt) {
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(line.IsOpen() || line.Open(pty.Slave()));
    loop.Post([&] { line.Close(); });
    ASSERT_EQ(line.WriteByte('x'), ByteWrite::kTaken);
    EXPECT_TRUE(line.WaitUntilSent(loop, kLimit));
    EXPECT_FALSE(line.IsOpen());
    EXPECT_TRUE(line.WaitUntilSent(loop, kLimit));  // closed: nothing to wait for
  }
}

TEST_F(PosixSerialLineTest, ClosedLineWritesNothingEvenWhenItsDescriptorIsReused) {
  line.Close();
  line.Close();
  const int other = ::open(pty.Slave().c_str(), O_RDWR | O_NOCTTY);  // likely the old number
  ASSERT_GE(other, 0);
  EXPECT_EQ(line.WriteByte('x'), ByteWrite::kFailed);
  EXPECT_FALSE(line.OutputPending());
  EXPECT_FALSE(line.Configure({}));
  EXPECT_TRUE(line.WaitUntilSent(loop, kLimit));
  ASSERT_EQ(::write(other, "y", 1), 1);
  EXPECT_EQ(pty.Read(1), (Bytes{'y'}));
  ::close(other);
}

// A reader that stops reading fills the driver: the wait for room ends at
// its limit, on the window thread and on any other, and what the driver
// still held is discarded, so that the line takes bytes again.
TEST_F(PosixSerialLineTest, AWaitForADeviceThatTakesNothingMoreEndsAtItsLimit) {
  for (const bool windowThread : {true, false}) {
    SCOPED_TRACE(windowThread ? "window thread" : "other thread");
    ByteWrite write;
    while ((write = line.WriteByte('f')) == ByteWrite::kTaken) {
    }
    ASSERT_EQ(write, ByteWrite::kNoRoom);
    bool sent = true;
    if (windowThread) {
      sent = line.WaitUntilSent(loop, 200ms);
    } else {
      std::thread([&] { sent = line.WaitUntilSent(loop, 200ms); }).join();
    }
    EXPECT_FALSE(sent);
    EXPECT_EQ(line.WriteByte('g'), ByteWrite::kTaken);
    EXPECT_TRUE(line.WaitUntilSent(loop, kLimit));
    // A pseudo-terminal keeps what its reader has not read yet.
    Bytes got;
    while (got.empty() || got.back() == 'f') {
      const Bytes more = pty.Read(1);
      ASSERT_EQ(more.size(), 1u);
      got.push_back(more[0]);
    }
    EXPECT_EQ(got.back(), 'g');
  }
}

// The other end gone, as a pulled adapter: the write fails and says why.
TEST_F(PosixSerialLineTest, AWriteToAVanishedDeviceFailsWithItsReason) {
  pty.CloseMaster();
  EXPECT_EQ(line.WriteByte('x'), ByteWrite::kFailed);
  EXPECT_EQ(line.WriteFailure(), "Input/output error");
  EXPECT_TRUE(line.WaitUntilSent(loop, kLimit));
}

TEST_F(PosixSerialLineTest, RefusalsAndMissingModemLinesLeaveTheLineWorking) {
  EXPECT_FALSE(line.Configure({.dataBits = 9}));
  line.SetRts(true);
  line.SetDtr(true);
  line.SetBreak(true);
  line.SetBreak(false);
  line.SetRts(false);
  line.SetDtr(false);
  Send({'k'});
  EXPECT_EQ(pty.Read(1), (Bytes{'k'}));
}

TEST_F(PosixSerialLineTest, ReopeningClosesTheFormerDevice) {
  PseudoTerminal second;
  ASSERT_TRUE(line.Open(second.Slave()));
  EXPECT_TRUE(pty.SlaveClosed());
  Send({'2'});
  EXPECT_EQ(second.Read(1), (Bytes{'2'}));
}

TEST_F(PosixSerialLineTest, ProbeAndOpenTellSerialDevicesFromTheRest) {
  EXPECT_TRUE(line.Probe(pty.Slave()));  // its own, open
  PseudoTerminal other;
  EXPECT_TRUE(line.Probe(other.Slave()));
  EXPECT_FALSE(line.Probe("/dev/kestrix-no-such-port"));
  EXPECT_FALSE(line.Probe("/dev/null"));  // not a tty

  PosixSerialLine fresh;
  EXPECT_FALSE(fresh.Open("/dev/kestrix-no-such-port"));
  EXPECT_FALSE(fresh.Open("/dev/null"));
  EXPECT_FALSE(fresh.IsOpen());
  EXPECT_TRUE(fresh.Open(other.Slave()));
}

}  // namespace
}  // namespace kestrix

// End to end: text through the encoder and the output routing comes out of
// a real device as the exact code stream, one byte after another.

namespace kestrix {
namespace {

TEST(PosixSerialLineEndToEnd, EncodedTextLeavesThePortAsTheExactCodeStream) {
  testing::TempWorkingDirectory dir;
  std::filesystem::create_directory("log");
  PseudoTerminal pty;
  ASSERT_FALSE(pty.Slave().empty());
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::FakeStationWindow window;
  StationSettings settings;
  EventLog log(loop, window.eventList, window.messageBox);
  PortDeviceMap devices;
  devices.Map("COM1", pty.Slave());
  PosixSerialLine line;
  SerialPort port(line, loop, devices, settings, log, window.messageBox, [](int) { FAIL(); });
  NullPsk31Modem modem;
  NullSoundKeyer keyer;
  OutputRouter router(settings, loop, port, modem, keyer);
  CharacterEncoder encoder(router, loop);

  ASSERT_EQ(port.OpenSerialPort("COM1", 45.45f, 0, 5, 1), 0);
  for (char c : std::string("Ry 73\r\n")) {
    encoder.EncodeCharacter(static_cast<unsigned char>(c), kModeMilitary);
  }
  const Bytes expected = {31, 10, 21, 4, 27, 7, 1, 8, 8, 2, 31};
  EXPECT_EQ(pty.Read(expected.size()), expected);
  port.CloseSerialPort();
}

}  // namespace
}  // namespace kestrix
