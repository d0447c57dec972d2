#include "station/encoding/serial_port.h"

#include "tests/station/encoding/transmit_side_fixture.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::RecordingSerialLine;
using Kind = RecordingSerialLine::Kind;

class SerialPortTest : public testing::TransmitSideTest {};

TEST_F(SerialPortTest, OpensTheMappedDeviceWithTheWholeRateAndLogsTheSettings) {
  settings.TxLine = ID_RS232CONTROL_RTSXMIT;
  EXPECT_EQ(port.OpenSerialPort("COM1", 45.45f, 0, 5, 1), 0);

  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(settings.m_CommPort, "COM1");
  EXPECT_EQ(line.opened, (std::vector<std::string>{"/dev/ttyS0"}));
  EXPECT_EQ(line.settings, (SerialLineSettings{45, 5, 0, 1}));
  EXPECT_FALSE(line.rts);
  EXPECT_FALSE(line.dtr);
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"\"COM1\" BAUD=45.5 Bits=5 Parity=0 Stopbits=1 "
                                                  "RTS=xmit DTR=cwid"}));

  // Reopening closes the old port first and says so.
  devices.Map("com2", "/dev/ttyUSB0");
  line.devices.insert("/dev/ttyUSB0");
  settings.BAUD = 110.0f;
  port.OpenSerialPort("COM2", 110.0f, 0, 8, 0);
  EXPECT_EQ(line.opened.back(), "/dev/ttyUSB0");
  EXPECT_EQ(line.settings, (SerialLineSettings{110, 8, 0, 0}));
  EXPECT_EQ(LogTexts()[1], "Comm Port \"COM1\" closed");
  EXPECT_EQ(LogTexts()[2], "\"COM2\" BAUD=110.0 Bits=8 Parity=0 Stopbits=0 RTS=xmit DTR=cwid");
}

TEST_F(SerialPortTest, APortThatCannotBeOpenedTellsTheOperatorAndEndsWithMinusOne) {
  port.OpenSerialPort("COM9", 45.45f, 0, 5, 1);
  ASSERT_EQ(window.messageBox.shown.size(), 1u);
  EXPECT_EQ(window.messageBox.shown[0].text,
            "Could not open comm port [ COM9 ],\nthis is a fatal error. Port does \nnot exist or "
            "is already occupied.\n\nPlease check system for available ports.\n\nExiting on your "
            "OK");
  EXPECT_EQ(window.messageBox.shown[0].caption, "Kestrix2010 Comm Port Critical Error");
  EXPECT_EQ(exitStatuses, (std::vector<int>{-1}));
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, ProbeAndDeviceNames) {
  EXPECT_EQ(port.ProbePort("COM8"), 0);
  EXPECT_EQ(port.ProbePort("COM9"), -1);
  EXPECT_EQ(devices.DeviceFor("COM1"), "/dev/ttyS0");
  EXPECT_EQ(devices.DeviceFor("com8"), "/dev/ttyS7");
  EXPECT_EQ(ComPortNumber("COM3"), 3);
  EXPECT_EQ(ComPortNumber("Disabled"), 0);
  EXPECT_EQ(ComPortNumber("NULL"), 0);
}

TEST_F(SerialPortTest, SendCodeKeepsOneCharacterInFlightAndPumpsWhileItWaits) {
  OpenCom1();
  const auto charTime = line.CharacterTime();  // 7.5 bits at 45 baud
  EXPECT_EQ(charTime, std::chrono::microseconds(166666));
  bool clicked = false;
  loop.PostAt(start + 100ms, [&] { clicked = true; });

  router.SendCode(31);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(Elapsed(), charTime);
  router.SendCode(3);
  router.SendCode(25);

  const auto bytes = line.EventsOf(Kind::kByte);
  ASSERT_EQ(bytes.size(), 3u);
  EXPECT_EQ(bytes[1].at, charTime);
  EXPECT_EQ(bytes[2].at, 2 * charTime);
  EXPECT_EQ(line.Bytes(), (std::vector<int>{31, 3, 25}));
}

TEST_F(SerialPortTest, SendCodeRetriesARefusedByteAndDropsCodesWithoutAPort) {
  router.SendCode(31);  // no port, no card, not PSK31: nothing, at once
  EXPECT_EQ(Elapsed(), 0s);
  EXPECT_TRUE(line.Bytes().empty());

  OpenCom1();
  clock.OnTimer(WindowClock::kStartClock);
  line.refuseWrites = 2;
  router.SendCode(4);
  EXPECT_EQ(line.Bytes(), (std::vector<int>{4}));
}

TEST_F(SerialPortTest, SendCodeGoesToTheModemInPsk31AndToTheKeyerWithACard) {
  OpenCom1();
  settings.MODE = kModePsk31;
  router.SendCode(65);
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"char 65,0"}));

  settings.MODE = kModeMilitary;
  settings.soundCardID = 0;
  transmitter.CmTX();
  router.SendCode(25);
  EXPECT_EQ(keyer.codes, (std::vector<int>{25}));
  EXPECT_TRUE(line.Bytes().empty());
}

// The serial line keys the radio; bytes on it would reach the terminal unit.
TEST_F(SerialPortTest, WithASoundCardChosenNoCodeGoesToTheSerialPort) {
  OpenCom1();
  clock.OnTimer(WindowClock::kStartClock);
  settings.soundCardID = -1;
  router.SendCode(3);  // transmitter off
  transmitter.CmTX();
  transmitter.CmRX();
  router.SendCode(5);  // off again
  // Codes while transmitter-on waits for the last worker to let the card go.
  keyer.whileStarting = [this] { router.SendCode(7); };
  transmitter.CmTX();
  EXPECT_TRUE(line.Bytes().empty());
}

}  // namespace
}  // namespace kestrix
