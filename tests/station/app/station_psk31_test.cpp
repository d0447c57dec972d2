// The station in PSK31 and its Morse identification on the air: recorded
// by the WAV device, read back by an independent PSK31 receiver and by
// multimon-ng's Morse decoder.

#include <gtest/gtest.h>

#include <algorithm>

#include "station/app/station.h"
#include "station/audio/station_wave_devices.h"
#include "station/psk31/sound_psk31_modem.h"
#include "tests/common_support/recording_launcher.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/station/app/scheduled_files.h"
#include "tests/support/multimon_morse.h"
#include "tests/support/psk31_receiver.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_serial_line.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

constexpr char kBulletin[] =
    "QST de K1A: Net at 0300 UTC, 3.577 MHz; all welcome (73!)\r\n"
    "Wx: -2 C, wind 270/15 - \"icy\" roads?\r\n";

class StationOnTheAirTest : public ::testing::Test {
 protected:
  explicit StationOnTheAirTest(WavFileDevice::Pacing pacing) : waveDevices(pacing) {
    launcher.editorStarts = false;
    std::filesystem::create_directory("data");
    testing::WriteFile("Kestrix.ini",
                       "QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE=\"wav:air.wav\"\n"
                       "QERVCALLSIGN=\"K1A\"\nQERVMORSETICKMS=4\n");
    loop.KeepPaceWithRealThreads(10ms);
    station.Start();
  }
  void Script(const std::string& command) {
    station.QueuePart().Scripts().RunScriptCommand(command);
  }
  // The scheduler sends data/news.txt holding `text`.
  void SendFile(const std::string& text) {
    testing::ScheduleFiles(station, {{"news.txt", text}});
    const auto limit = loop.Now() + 10min;
    while (!Logged("Completed sending <news.txt>.") && !Logged("ABORTED sending <news.txt>.") &&
           loop.Now() < limit) {
      loop.WaitForNextEvent();
    }
  }
  // Everything sent has been played once the transmitter is off and the
  // modem has let go of the card.
  std::vector<double> Air() {
    station.TransmitPart().Transmit().CmRX();
    modem.Release();
    return testing::WavSamples("air.wav");
  }
  bool Logged(const std::string& text) const {
    const auto& lines = window.eventList.lines;
    return std::ranges::any_of(lines, [&](const std::string& line) {
      return line.size() > 11 && line.substr(11) == text;
    });
  }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::FakeStationWindow window;
  testing::RecordingSerialLine line{loop};
  StationWaveDevices waveDevices;
  SoundPsk31Modem modem{waveDevices, loop};
  testing::RecordingLauncher launcher;
  Station station{loop, window, {line, modem, waveDevices, launcher, true}, [](int) {}};
};

// PSK31 needs no real-time pace: idle between characters is part of it.
class StationPsk31Test : public StationOnTheAirTest {
 protected:
  StationPsk31Test() : StationOnTheAirTest(WavFileDevice::Pacing::kUnpaced) { Script("PSK31"); }
};

TEST_F(StationPsk31Test, AScheduledFileGoesOutAsPsk31OnTheMarkTone) {
  ASSERT_TRUE(Logged("No error in starting sound card process"));
  ASSERT_TRUE(Logged("Mode set to PSK31"));
  SendFile(kBulletin);
  ASSERT_TRUE(Logged("Completed sending <news.txt>."));
  // The text pane shows upper case; the characters go out as they are.
  EXPECT_EQ(testing::ReceivePsk31(Air(), 2125), kBulletin);
}

TEST_F(StationPsk31Test, AScriptFrequencyCarriesIntoTheTransmission) {
  Script("F17");
  SendFile("CQ CQ DE K1A\r\n");
  EXPECT_EQ(testing::ReceivePsk31(Air(), 1700), "CQ CQ DE K1A\r\n");
}

// Paused, the carrier stays up with idle; resumed, the rest follows.
TEST_F(StationPsk31Test, APauseKeepsTheCarrierAndLosesNothing) {
  int sent = 0;
  station.QueuePart().Ring().SetPutListener([&] {
    if (++sent == 20) {
      station.QueuePart().Cycle().CmPause();
      loop.PostAfter(5s, [this] { station.QueuePart().Cycle().CmResume(); });
    }
  });
  SendFile(kBulletin);
  ASSERT_TRUE(Logged("CmResume : Session RESUMED"));
  ASSERT_TRUE(Logged("Completed sending <news.txt>."));
  EXPECT_EQ(testing::ReceivePsk31(Air(), 2125), kBulletin);
}

// CANCEL drops what the modem still holds: the air gets a beginning of the
// file and none of its end.
TEST_F(StationPsk31Test, ACancelDropsTheRestOfTheFile) {
  int sent = 0;
  station.QueuePart().Ring().SetPutListener([&] {
    if (++sent == 20) {
      station.QueuePart().Cycle().CmCancel();
    }
  });
  SendFile(kBulletin);
  ASSERT_TRUE(Logged("CmCancel : Session CANCELED"));
  const std::string heard = testing::ReceivePsk31(Air(), 2125);
  EXPECT_GE(heard.size(), 15u);
  EXPECT_LE(heard.size(), 20u);
  EXPECT_EQ(heard, std::string(kBulletin).substr(0, heard.size()));
}

TEST_F(StationPsk31Test, TheIdentificationIsKeyedInMorseByTheModem) {
  station.QueuePart().Identification().OnSendCwid();
  ASSERT_TRUE(Logged("Completed CWID"));
  station.TransmitPart().Transmit().CmRX();
  modem.Release();
  EXPECT_NE(testing::RunMultimonMorse("air.wav", 4).find("DEK1AK1A"), std::string::npos);
}

// On the FSK sound path the Morse follows the Morse ticks as they come, so
// the card must keep its real pace.
class StationFskMorseTest : public StationOnTheAirTest {
 protected:
  StationFskMorseTest() : StationOnTheAirTest(WavFileDevice::Pacing::kRealTime) {
    // The simulated ticks no slower than the card's real ones.
    loop.KeepPaceWithRealThreads(1ms);
  }
};

TEST_F(StationFskMorseTest, TheIdentificationIsHeardOnTheSoundCardToo) {
  station.QueuePart().Identification().OnSendCwid();
  ASSERT_TRUE(Logged("Completed CWID"));
  station.TransmitPart().Transmit().CmRX();
  // (Around it the FSK idle, a steady mark tone, reads as a long dash.)
  const std::string heard = testing::RunMultimonMorse("air.wav", 4);
  EXPECT_NE(heard.find("DEK1AK1A"), std::string::npos) << heard;
}

}  // namespace
}  // namespace kestrix
