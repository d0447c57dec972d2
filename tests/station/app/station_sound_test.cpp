// The station on the air through a sound card, recorded by the WAV device
// and read back by an outside RTTY decoder.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "station/app/station.h"
#include "station/audio/station_wave_devices.h"
#include "tests/common_support/recording_launcher.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/station/app/scheduled_files.h"
#include "tests/station/app/station_fixture.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/minimodem.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_serial_line.h"
#include "tests/support/smtp_test_client.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

// The five-bit frames an outside RTTY decoder finds in a WAV file, turned
// into text here with the shift state kept across idle mark: the decoder's
// own text starts over in letters whenever it loses and finds the carrier
// again, as it may in the idle between characters.
std::string DecodeRtty(const std::string& file) {
  std::string bits;
  for (char c : testing::RunMinimodem("--binary-output -M 2125 -S 2295 -f " + file + " rtty")) {
    if (c == '0' || c == '1') {
      bits += c;
    }
  }
  // US teleprinter letters and figures by code (bit 0 first on the air).
  static constexpr char kLetters[] = "\0E\nA SIU\rDRJNFCKTZLWHYPQOBG\0MXV\0";
  static constexpr char kFigures[] = "\0003\n- \a87\r$4',!:(5\")2#6019?&\0./;\0";
  std::string text;
  bool figures = false;
  for (std::size_t at = 0; at + 5 <= bits.size(); at += 5) {
    int code = 0;
    for (int bit = 0; bit < 5; ++bit) {
      code |= (bits[at + bit] - '0') << bit;
    }
    if (code == 31 || code == 27) {
      figures = code == 27;
    } else if (code != 8 && code != 0) {
      text += (figures ? kFigures : kLetters)[code];
    }
  }
  return text;
}

class StationSoundTest : public ::testing::Test {
 protected:
  StationSoundTest() {
    launcher.editorStarts = false;
    std::filesystem::create_directory("data");
    testing::WriteFile("Kestrix.ini", "QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE=\"wav:air.wav\"\n");
    loop.KeepPaceWithRealThreads(std::chrono::milliseconds(20));
    station.Start();
  }
  // The air as a decoder hears it: transmitter-off returns once the worker
  // has played out.
  static std::string Air() { return DecodeRtty("air.wav"); }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::FakeStationWindow window;
  testing::RecordingSerialLine line{loop};
  testing::RecordingPsk31Modem modem;
  // Paced like a card: characters then follow each other without idle
  // blocks between them, as on the air, and the decoder sees the same
  // signal every time. (Unpaced, the idle between characters depends on
  // thread timing, and the decoder now and then loses a frame after it.)
  StationWaveDevices waveDevices{WavFileDevice::Pacing::kRealTime};
  testing::RecordingLauncher launcher;
  Station station{loop, window, {line, modem, waveDevices, launcher, true}, [](int) {}};
};

TEST_F(StationSoundTest, AScheduledFileGoesOutAsAudioThatDecodesToItsText) {
  testing::ScheduleFiles(station, {{"news.txt", "CQ CQ DE N0CALL\r\nWX 12/3 WIND 270/15\r\n"}});
  loop.RunFor(90s);
  ASSERT_EQ(window.eventList.lines.back().substr(11), "Completed sending <news.txt>.");
  EXPECT_EQ(station.Settings().transmitOn, 0);
  EXPECT_EQ(Air(), "CQ CQ DE N0CALL\nWX 12/3 WIND 270/15\n");
}

// Switched off the moment the last code is handed over: it still airs.
TEST_F(StationSoundTest, TransmitterOffRightAfterTheLastCodeStillPlaysIt) {
  station.TransmitPart().Transmit().CmTX();
  for (char c : std::string("RYRY DE N0CALL")) {
    station.TransmitPart().Encoder().SendTextCharacter(static_cast<unsigned char>(c),
                                                       kModeMilitary);
  }
  station.TransmitPart().Transmit().CmRX();
  EXPECT_EQ(Air(), "RYRY DE N0CALL");
}

// A chat line typed while the transmitter is on goes out as audio too.
TEST_F(StationSoundTest, AChatLineGoesOutAsAudioThatDecodesToItsText) {
  ASSERT_NE(station.NetworkPart().Chat(), nullptr);
  const int port = station.NetworkPart().Chat()->Port();
  station.TransmitPart().Transmit().CmTX();
  std::atomic<bool> done{false};
  std::thread client([&] {
    testing::SmtpTestClient bob(port);
    bob.ReadUntil("Enter User Name:  ");
    bob.Send("bob\r\n");
    bob.ReadUntil("Begin Session");
    bob.Send("cq de bob\r\n");
    bob.ReadUntil("CQ DE BOB\r\n");
    done = true;
  });
  const auto limit = loop.Now() + 5min;
  while (!done && loop.Now() < limit) {
    loop.WaitForNextEvent();
  }
  client.join();
  station.NetworkPart().StopNetworkServers();  // the session has finished its line
  station.TransmitPart().Transmit().CmRX();
  EXPECT_NE(Air().find("\nBOB::  CQ DE BOB\n"), std::string::npos) << Air();
}

// The station on a fake card that hands every buffer back at once, with a
// serial port open on COM1.
class StationCardTest : public testing::StationTest {
 protected:
  StationCardTest() {
    waveDevices.state->autoComplete = true;
    StartWith("QERVSOUNDCARDID=-1\nQERVCOMMPORT=\"COM1\"\n");
  }
  // Two files queued and the scheduler on.
  void QueueTwoFiles() {
    testing::ScheduleFiles(station,
                           {{"a.txt", "RYRYRY DE N0CALL\r\n"}, {"b.txt", "SECOND BULLETIN\r\n"}});
  }
  std::size_t Written() { return waveDevices.state->WrittenCount(); }
  // Why the file is not sent, then the cycle's end of a cancelled file.
  // (The transmitter-off that the sound error asks for may come before or
  // after: the worker runs in real time.)
  std::vector<std::string> AbortOfA() const {
    const auto texts = LogTexts();
    auto at = std::find(texts.begin(), texts.end(),
                        "TXFile : the sound card failed; <a.txt> is not sent.");
    return {at, at + std::min<std::ptrdiff_t>(3, texts.end() - at)};
  }
  // Not reported as sent, the scheduler off, b.txt waiting for the
  // operator, the transmitter off.
  void ExpectAOnlyAbortedAndTheRestWaiting() {
    EXPECT_FALSE(Logged("Completed sending <a.txt>."));
    EXPECT_EQ(AbortOfA(), abortedA);
    EXPECT_EQ(settings.scheduleEnable, 0);
    ASSERT_EQ(station.QueuePart().Queue().Count(), 1);
    EXPECT_NE(station.QueuePart().Queue().Text(0).find("b.txt"), std::string::npos);
    EXPECT_EQ(settings.transmitOn, 0);
  }
  const std::vector<std::string> abortedA{"TXFile : the sound card failed; <a.txt> is not sent.",
                                          "CmDisable : Scheduler DISABLED",
                                          "ABORTED sending <a.txt>."};
};

// Off and on again while transmitter-on still waits for the card to be let
// go: still one worker at a time, and none after the last transmitter-off.
TEST_F(StationCardTest, OffAndOnDuringTheWaitForTheCardLeaveOneWorkerAndNoneAfterOff) {
  ASSERT_TRUE(station.TransmitPart().Port().IsOpen());
  Transmitter& tx = station.TransmitPart().Transmit();
  waveDevices.state->holdClose = true;
  loop.PostAfter(30s, [this] { waveDevices.state->ReleaseClose(); });
  tx.CmTX();
  tx.CmRX();
  loop.PostAfter(0s, [&tx] { tx.CmRX(); });
  loop.PostAfter(0s, [&tx] { tx.CmTX(); });
  tx.CmTX();
  loop.RunFor(40s);
  tx.CmRX();

  EXPECT_EQ(settings.transmitOn, 0);
  EXPECT_EQ(waveDevices.state->OpenNow(), 0);
  const std::size_t written = Written();
  loop.KeepPaceWithRealThreads(20ms);
  loop.RunFor(5s);
  EXPECT_EQ(Written(), written);
  EXPECT_EQ(waveDevices.state->maxOpen, 1);
  EXPECT_GE(waveDevices.requests.size(), 2u);
  EXPECT_TRUE(line.Bytes().empty());
}

// The fatal port box waits for an operator who may not be there: the
// audio that keys the radio stops before it comes up.
TEST_F(StationCardTest, TheFatalPortBoxComesUpWithTheTransmitterOff) {
  station.TransmitPart().Transmit().CmTX();
  station.TransmitPart().Router().SendCode(31);  // taken once the worker plays
  ASSERT_EQ(waveDevices.state->OpenNow(), 1);
  int transmitOnWhileShown = -1;
  int devicesOpenWhileShown = -1;
  window.messageBox.whileFatalShown = [&] {
    transmitOnWhileShown = settings.transmitOn;
    devicesOpenWhileShown = waveDevices.state->OpenNow();
  };
  line.devices = {"/dev/ttyS0"};  // COM2 is gone
  station.TransmitPart().Port().OpenSerialPort("COM2", 45.45f, 0, 5, 1);

  EXPECT_EQ(exits, (std::vector<int>{-1}));
  EXPECT_EQ(transmitOnWhileShown, 0);
  EXPECT_EQ(devicesOpenWhileShown, 0);
  EXPECT_TRUE(Logged("OpenSerialPort : Could not open comm port [ COM2 ]; the station ends."));
}

// A card that cannot be opened: the file is not reported as sent, the
// scheduler stops and the rest of the queue waits for the operator.
TEST_F(StationCardTest, AFileIsAbortedWhenTheCardCannotBeOpened) {
  ASSERT_TRUE(station.TransmitPart().Port().IsOpen());
  waveDevices.state->openResult = kWaveBadDeviceId;
  QueueTwoFiles();
  loop.RunFor(90s);

  ExpectAOnlyAbortedAndTheRestWaiting();
  EXPECT_TRUE(line.Bytes().empty());
}

// A WAV file on a full disk: it opens, but writing fails.
TEST_F(StationCardTest, AFileIsAbortedWhenTheCardFailsOnWrite) {
  ASSERT_TRUE(station.TransmitPart().Port().IsOpen());
  waveDevices.state->failWritesFrom = 0;
  QueueTwoFiles();
  loop.RunFor(90s);

  EXPECT_TRUE(Logged("Sound card : Error writing to wave file"));
  ExpectAOnlyAbortedAndTheRestWaiting();
  EXPECT_EQ(waveDevices.state->OpenNow(), 0);
  EXPECT_TRUE(line.Bytes().empty());
}

// A card that stops taking buffers under a file: after the wait for a free
// buffer the worker gives up, the file ends as a cancelled one with the
// transmitter off, and the next transmitter-on opens the card again.
TEST_F(StationCardTest, ACardThatStallsEndsTheFileAndIsOpenedAgainAtTheNextTransmitterOn) {
  waveDevices.state->stallFrom = 12;
  QueueTwoFiles();
  loop.KeepPaceWithRealThreads(20ms);
  loop.RunFor(10s);

  EXPECT_TRUE(Logged("Sound card : Timed out waiting for output buffers"));
  EXPECT_TRUE(Logged("ABORTED sending <a.txt>."));
  EXPECT_FALSE(Logged("Completed sending <a.txt>."));
  EXPECT_EQ(settings.transmitOn, 0);
  EXPECT_EQ(waveDevices.state->OpenNow(), 0);
  const std::size_t opened = waveDevices.requests.size();

  {
    std::lock_guard lock(waveDevices.state->mutex);
    waveDevices.state->stallFrom = -1;
  }
  station.TransmitPart().Transmit().CmTX();
  EXPECT_EQ(waveDevices.requests.size(), opened + 1);
  EXPECT_TRUE(waveDevices.state->WaitForWrites(Written() + 20));  // it plays again
  station.TransmitPart().Transmit().CmRX();
}

}  // namespace
}  // namespace kestrix
