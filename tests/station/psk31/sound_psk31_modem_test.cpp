// The PSK31 modem on a WAV device, read back by an independent receiver.

#include "station/psk31/sound_psk31_modem.h"

#include <gtest/gtest.h>

#include "station/audio/station_wave_devices.h"
#include "station/encoding/modem_output_path.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/keyed_bursts.h"
#include "tests/support/psk31_receiver.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

constexpr char kBulletin[] =
    "QST de N0CALL: WX 12/3, wind 270/15 kt; -2.5 C (gusts 40!)\r\n"
    "Nets @ 0300 UTC & 1800 UTC? \"73\" ['tnx' #5] {~|}\r\n";

class Psk31ModemTest : public ::testing::Test {
 protected:
  Psk31ModemTest() {
    std::filesystem::create_directory("log");
    settings.QERVSoundDevice = "wav:air.wav";
    loop.KeepPaceWithRealThreads(10ms);
    modem.AttachStation(settings, log);
  }

  // One transmission of `text` as the station sends it: each character
  // through the output path, which waits while more than two are queued.
  void Transmit(const std::string& text) {
    modem.StartTransmit(0);
    for (char c : text) {
      path.Send(static_cast<unsigned char>(c));
      EXPECT_LE(modem.QueuedCount(), ModemOutputPath::kQueueLimit);
    }
    modem.PrepareEnd();
    modem.EndTransmit();
  }
  // Lets the transmission go out; the file then holds all of it.
  std::vector<double> Air() {
    modem.Release();
    return testing::WavSamples("air.wav");
  }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::FakeStationWindow window;
  StationSettings settings;
  EventLog log{loop, window.eventList, window.messageBox};
  StationWaveDevices devices{WavFileDevice::Pacing::kUnpaced};
  SoundPsk31Modem modem{devices, loop};
  ModemOutputPath path{modem, loop};
};

TEST_F(Psk31ModemTest, EveryCharacterOfABulletinComesBackThroughAnIndependentReceiver) {
  ASSERT_EQ(modem.Start(-1), 0);
  modem.SetFrequency(1500);
  Transmit(kBulletin);
  EXPECT_EQ(testing::ReceivePsk31(Air(), 1500), kBulletin);
}

TEST_F(Psk31ModemTest, TheCarrierIsWhereTheFrequencyCallPutsIt) {
  ASSERT_EQ(modem.Start(-1), 0);
  modem.SetFrequency(1700);
  Transmit("CQ CQ");
  const std::vector<double> air = Air();
  EXPECT_EQ(testing::ReceivePsk31(air, 1700), "CQ CQ");
  EXPECT_EQ(testing::ReceivePsk31(air, 1500).find("CQ CQ"), std::string::npos);
}

// Two transmissions: what was queued when the first was cancelled is gone,
// the rest of the second goes out; nothing is taken while not transmitting.
TEST_F(Psk31ModemTest, DroppedCharactersNeverGoOutAndNothingQueuesWhileNotTransmitting) {
  ASSERT_EQ(modem.Start(-1), 0);
  modem.QueueCharacter('X', 0);
  EXPECT_EQ(modem.QueuedCount(), 0);
  EXPECT_EQ(modem.LostBecause(), "the PSK31 modem is not transmitting");

  modem.StartTransmit(0);
  EXPECT_EQ(modem.LostBecause(), "");
  for (char c : std::string("ZZZZZZZZZZZZ")) {
    modem.QueueCharacter(c, 0);
  }
  modem.DropQueued();
  EXPECT_EQ(modem.QueuedCount(), 0);
  path.Send('O');
  path.Send('K');
  modem.QueueCharacter(0, 0);  // keeps the carrier up, queues nothing
  EXPECT_LE(modem.QueuedCount(), 2);
  modem.EndTransmit();
  const std::string heard = testing::ReceivePsk31(Air(), 1500);
  // At most the one character under way when the queue was dropped.
  EXPECT_TRUE(heard == "OK" || heard == "ZOK") << heard;
}

TEST_F(Psk31ModemTest, ATransmitterOnDuringTheEndGoesOnSending) {
  ASSERT_EQ(modem.Start(-1), 0);
  Transmit("AB");
  Transmit("CD");  // before the first one's worker has ended, most likely
  EXPECT_EQ(testing::ReceivePsk31(Air(), 1500), "ABCD");
}

TEST_F(Psk31ModemTest, TheCwIdentificationIsKeyedOnTheCarrierAtTheMorseTick) {
  settings.QERVMorseTickMs = 5;
  ASSERT_EQ(modem.Start(-1), 0);
  modem.SetFrequency(1000);
  modem.StartTransmit(0);
  modem.SetCwIdText("de N0C");
  modem.QueueCharacter(2, 1);
  modem.EndTransmit();
  const std::vector<double> air = Air();
  // The identification follows the PSK31 postamble, one second of steady
  // carrier, longer than any Morse element.
  std::vector<int> bursts = testing::KeyedBursts(air);
  const auto postamble =
      std::find_if(bursts.rbegin(), bursts.rend(), [](int burst) { return burst > 4000; });
  ASSERT_NE(postamble, bursts.rend());
  bursts.erase(bursts.begin(), postamble.base());
  // d -.. e . N -. 0 ----- C -.-. : 2+3+1+2+5+4 elements, a dot 10 ticks
  // of 5 ms (400 samples), a dash 800.
  const std::vector<int> units = {2, 1, 1, 1, 2, 1, 2, 2, 2, 2, 2, 2, 1, 2, 1};
  ASSERT_EQ(bursts.size(), units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    EXPECT_NEAR(bursts[i], units[i] * 400, 16) << i;
  }
}

TEST_F(Psk31ModemTest, AMissingCardOrAnUnwritableWaveFileIsReportedAtStart) {
  EXPECT_EQ(modem.Start(3), 21);  // "Bad Device ID, Soundcard Not Present"
  settings.QERVSoundDevice = "wav:no_such_dir/air.wav";
  EXPECT_EQ(modem.Start(-1), 41);  // "Can't open wave file for output"
  EXPECT_EQ(modem.LostBecause(), "the PSK31 modem is not started");
}

// A card that stops taking blocks: the queue is let go, the senders go on,
// and the operator reads why in the log.
TEST_F(Psk31ModemTest, ACardThatFailsLetsTheSendersGoOnAndSaysWhy) {
  testing::FakeWaveDeviceFactory failing;
  failing.state->autoComplete = true;
  failing.state->failWritesFrom = 20;
  failing.state->writeError = kWaveHandleBusy;
  SoundPsk31Modem broken{failing, loop};
  broken.AttachStation(settings, log);
  ModemOutputPath brokenPath{broken, loop};
  ASSERT_EQ(broken.Start(-1), 0);
  broken.StartTransmit(0);
  for (char c : std::string("ABCDEFGH")) {
    brokenPath.Send(static_cast<unsigned char>(c));
  }
  const auto limit = loop.Now() + 10s;
  while (broken.LostBecause().empty() && loop.Now() < limit) {
    loop.WaitForNextEvent();
  }
  EXPECT_EQ(broken.LostBecause(), "the sound card failed");
  EXPECT_EQ(broken.QueuedCount(), 0);
  broken.Release();
  EXPECT_NE(window.eventList.lines.back().find("Sound card : Handle being used"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrix
