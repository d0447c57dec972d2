// The station on the air through a sound card, recorded by the WAV device
// and read back by an outside RTTY decoder.

#include <gtest/gtest.h>

#include "station/app/station.h"
#include "station/audio/station_wave_devices.h"
#include "tests/support/minimodem.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_serial_line.h"
#include "tests/support/simulated_event_loop.h"
#include "tests/support/temp_working_directory.h"

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
    std::filesystem::create_directory("data");
    testing::WriteFile("Kestrix.ini", "QERVSOUNDCARDID=-1\nQERVSOUNDDEVICE=\"wav:air.wav\"\n");
    loop.KeepPaceWithRealThreads(std::chrono::milliseconds(20));
    station.Start();
  }
  // The air as a decoder hears it, once every worker has played out.
  std::string Air() {
    station.SoundKeying().WaitForStoppedWorkers();
    return DecodeRtty("air.wav");
  }

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
  struct : Launcher {
    bool OpenInEditor(const std::string&) override { return false; }
  } launcher;
  Station station{loop, window, {line, modem, waveDevices, launcher}, [](int) {}};
};

TEST_F(StationSoundTest, AScheduledFileGoesOutAsAudioThatDecodesToItsText) {
  testing::WriteFile("data/news.txt", "CQ CQ DE N0CALL\r\nWX 12/3 WIND 270/15\r\n");
  testing::WriteFile("data/schedule.lst", "news.txt\n");
  station.Commands().OnReload();
  station.Cycle().CmEnable();
  loop.RunFor(90s);
  ASSERT_EQ(window.eventList.lines.back().substr(11), "Completed sending <news.txt>.");
  EXPECT_EQ(station.Settings().transmitOn, 0);
  EXPECT_EQ(Air(), "CQ CQ DE N0CALL\nWX 12/3 WIND 270/15\n");
}

// Switched off the moment the last code is handed over: it still airs.
TEST_F(StationSoundTest, TransmitterOffRightAfterTheLastCodeStillPlaysIt) {
  station.Transmit().CmTX();
  for (char c : std::string("RYRY DE N0CALL")) {
    station.Encoder().SendTextCharacter(static_cast<unsigned char>(c), kModeMilitary);
  }
  station.Transmit().CmRX();
  EXPECT_EQ(Air(), "RYRY DE N0CALL");
}

}  // namespace
}  // namespace kestrix
