#include <algorithm>
#include <atomic>
#include <thread>

#include "station/audio/msk_generator.h"
#include "station/audio/sound_keying_thread.h"
#include "station/encoding/modem_output_path.h"
#include "station/encoding/serial_output_path.h"
#include "station/encoding/sound_output_path.h"
#include "tests/station/encoding/transmit_side_fixture.h"
#include "tests/support/fake_wave_device.h"
#include "tests/support/fsk_block_reader.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::RecordingSerialLine;
using Kind = RecordingSerialLine::Kind;

class OutputPathsTest : public testing::TransmitSideTest {
 protected:
  SerialOutputPath serialPath{port, loop};
  ModemOutputPath modemPath{modem, loop};
  SoundOutputPath soundPath{keyer, settings};
};

TEST_F(OutputPathsTest, TheSerialPathTakesACodeWithoutWaitingOnlyWhenNothingIsInFlight) {
  EXPECT_FALSE(serialPath.Idle());  // no port
  EXPECT_FALSE(serialPath.TrySend(31));

  OpenCom1();
  EXPECT_TRUE(serialPath.Idle());
  EXPECT_TRUE(serialPath.TrySend(31));
  EXPECT_FALSE(serialPath.Idle());
  EXPECT_FALSE(serialPath.TrySend(3));
  loop.RunFor(std::chrono::duration_cast<std::chrono::milliseconds>(line.CharacterTime()) + 1ms);
  EXPECT_TRUE(serialPath.TrySend(3));
  EXPECT_EQ(line.Bytes(), (std::vector<int>{31, 3}));
  EXPECT_EQ(serialPath.LostBecause(), "");
}

TEST_F(OutputPathsTest, TheModemPathKeepsAtMostTwoCharactersQueued) {
  EXPECT_TRUE(modemPath.TrySend(65));
  modem.queued = 1;
  EXPECT_FALSE(modemPath.Idle());
  EXPECT_FALSE(modemPath.TrySend(66));

  modem.queued = 3;
  loop.PostAfter(2s, [this] { modem.queued = 2; });
  modemPath.Send(67);
  EXPECT_EQ(Elapsed(), 2s);
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"char 65,0", "char 67,0"}));
}

TEST_F(OutputPathsTest, TheSoundPathTellsWhyCodesAreLost) {
  EXPECT_EQ(soundPath.LostBecause(), "the transmitter is off");
  settings.transmitOn = 1;
  EXPECT_EQ(soundPath.LostBecause(), "the sound card was not started with the transmitter");
  keyer.state = SoundPathState::kFailed;
  EXPECT_EQ(soundPath.LostBecause(), "the sound card failed");
  EXPECT_FALSE(soundPath.TrySend(3));
  keyer.state = SoundPathState::kRunning;
  EXPECT_EQ(soundPath.LostBecause(), "");
  soundPath.Send(3);
  EXPECT_EQ(keyer.codes, (std::vector<int>{3}));
}

TEST_F(OutputPathsTest, TheRouterChoosesThePathByModeAndSoundCard) {
  OpenCom1();
  settings.MODE = kModePsk31;
  settings.soundCardID = 0;
  EXPECT_EQ(router.LostBecause(), "");  // the modem's, not the card's
  EXPECT_TRUE(router.TrySendCode(65));
  settings.MODE = kModeMilitary;
  EXPECT_EQ(router.LostBecause(), "the transmitter is off");
  EXPECT_FALSE(router.PathIdle());
  settings.soundCardID = 5;
  EXPECT_TRUE(router.PathIdle());
  EXPECT_TRUE(router.TrySendCode(31));
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"char 65,0"}));
  EXPECT_EQ(line.Bytes(), (std::vector<int>{31}));
}

TEST_F(OutputPathsTest, TheSerialPortSwitchesOneControlLineOnlyWhileOpen) {
  port.SetControlLine(ControlLine::kRts, true);  // closed: nothing
  OpenCom1();
  port.SetControlLine(ControlLine::kNone, true);
  port.SetControlLine(ControlLine::kRts, true);
  port.SetControlLine(ControlLine::kDtr, true);
  port.SetControlLine(ControlLine::kRts, false);
  EXPECT_FALSE(line.rts);
  EXPECT_TRUE(line.dtr);
  const auto rts = line.EventsOf(Kind::kRts);
  ASSERT_EQ(rts.size(), 2u);
  EXPECT_EQ(rts[0].value, 1);
  EXPECT_EQ(rts[1].value, 0);
}

// A chat line sent from its own thread goes out at the rate of the line,
// while the station's clock ticks on the window thread.
TEST_F(OutputPathsTest, ASenderOnItsOwnThreadKeepsTheSerialLineAtLineRate) {
  OpenCom1();
  clock.OnTimer(WindowClock::kStartClock);
  clock.OnTimer(WindowClock::kStartMorse);
  std::atomic<bool> done{false};
  std::thread sender = loop.StartThread([&] {
    for (int i = 0; i < 100; ++i) {
      router.SendCode(i % 32);
    }
    done = true;
  });
  while (!done) {
    loop.WaitForNextEvent();
  }
  sender.join();

  const auto bytes = line.EventsOf(Kind::kByte);
  ASSERT_EQ(bytes.size(), 100u);
  const auto charTime = line.CharacterTime();
  for (std::size_t i = 1; i < bytes.size(); ++i) {
    EXPECT_LE(bytes[i].at - bytes[i - 1].at, 2 * charTime) << "before byte " << i;
  }
}

// The same through the sound keyer: the card takes one block per character
// time, and every block between the first code and the last carries a code.
TEST_F(OutputPathsTest, ASenderOnItsOwnThreadKeepsTheSoundKeyerAtBlockRate) {
  testing::FakeWaveDeviceFactory wave;
  ToneState tones;
  settings.halfShift = 85.0;
  // Only turns a hang into a failure: the card here is paced by the test.
  SoundKeyingContext context{settings, loop, log, window.messageBox, wave, tones, [] {}, 30s};
  SoundKeyingThread keying{context};
  SoundOutputPath path{keying, settings};
  const SoundSignal signal{8000, 2210};
  keying.Start(signal);
  const auto blockTime = std::chrono::milliseconds(
      SamplesPerCharacter(signal.dataBits, signal.sampleRate, signal.baud) * 1000 /
      signal.sampleRate);

  // The card hands back one block per block time, and only once the worker
  // has filled the ring: the worker then always waits for the card.
  constexpr std::size_t kRing = 10;
  std::size_t completed = 0;
  ASSERT_TRUE(wave.state->WaitForWrites(kRing));
  std::atomic<bool> done{false};
  std::thread sender = loop.StartThread([&] {
    for (int i = 0; i < 100; ++i) {
      path.Send(i % 31 + 1);
    }
    done = true;
  });
  while (!done) {
    ASSERT_TRUE(wave.state->WaitForWrites(completed + kRing));
    bool due = false;
    loop.PostAfter(blockTime, [&] { due = true; });
    while (!due) {
      loop.WaitForNextEvent();
    }
    wave.state->CompleteOne();
    ++completed;
  }
  sender.join();
  ASSERT_TRUE(wave.state->WaitForWrites(completed + kRing));
  wave.state->autoComplete = true;
  wave.state->CompleteAll();
  keying.Stop([] {});

  std::vector<int> codes;
  {
    std::lock_guard lock(wave.state->mutex);
    const testing::FskBlockReader reader(signal.baud, signal.dataBits);
    for (const auto& block : wave.state->written) {
      codes.push_back(reader.Code(block));
    }
  }
  const auto first = std::find_if(codes.begin(), codes.end(), [](int c) { return c > 0; });
  const auto last = std::find_if(codes.rbegin(), codes.rend(), [](int c) { return c > 0; });
  ASSERT_NE(first, codes.end());
  const std::vector<int> sent(first, last.base());
  std::vector<int> expected;
  for (int i = 0; i < 100; ++i) {
    expected.push_back(i % 31 + 1);
  }
  EXPECT_EQ(sent, expected);
}

// Runs `send` on a thread of its own while the window thread dispatches.
template <typename Send>
void SendFromAnotherThread(testing::SimulatedEventLoop& loop, Send send) {
  std::atomic<bool> done{false};
  std::thread sender = loop.StartThread([&] {
    send();
    done = true;
  });
  while (!done) {
    loop.WaitForNextEvent();
  }
  sender.join();
}

// A full driver takes the byte the moment the one on the wire is gone, not
// at the window thread's next tick.
TEST_F(OutputPathsTest, ASenderOnItsOwnThreadRetriesARefusedByteOnceTheLineHasDrained) {
  OpenCom1();
  clock.OnTimer(WindowClock::kStartClock);
  line.fullWhileInFlight = true;
  ASSERT_EQ(line.WriteByte(31), ByteWrite::kTaken);
  SendFromAnotherThread(loop, [&] { router.SendCode(3); });

  const auto bytes = line.EventsOf(Kind::kByte);
  ASSERT_EQ(bytes.size(), 2u);
  EXPECT_EQ(bytes[1].value, 3);
  EXPECT_EQ(bytes[1].at, line.CharacterTime());
}

// A pulled adapter fails every write: the sender is not held, the port
// says why its codes are lost and switches the transmitter off, and the
// next transmitter-on opens the device again.
TEST_F(OutputPathsTest, AVanishedDeviceIsReportedOnceAndTriedAgainAtTheNextTransmitterOn) {
  port.SetSwitchTransmitterOff([this] { transmitter.CmRX(); });
  OpenCom1();
  settings.TxLine = ID_RS232CONTROL_RTS;
  transmitter.CmTX();
  line.dead = true;
  SendFromAnotherThread(loop, [&] { router.SendCode(3); });
  SendFromAnotherThread(loop, [&] { router.SendCode(4); });
  loop.RunFor(0s);

  EXPECT_EQ(Elapsed(), 0s);
  EXPECT_EQ(line.writeAttempts, 1);
  EXPECT_EQ(router.LostBecause(), "the comm port failed");
  EXPECT_FALSE(router.PathIdle());
  EXPECT_EQ(settings.transmitOn, 0);
  EXPECT_FALSE(line.rts);
  const std::string failed =
      "Comm Port \"COM1\" : writing failed (Input/output error); transmitter switched off";
  const auto texts = LogTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), failed), 1) << texts.back();

  line.dead = false;
  transmitter.CmTX();
  EXPECT_EQ(line.opened.size(), 2u);
  EXPECT_TRUE(line.rts);
  EXPECT_EQ(LogTexts().back(), "Comm Port \"COM1\" opened again");
  EXPECT_EQ(router.LostBecause(), "");
  router.SendCode(5);
  EXPECT_EQ(line.Bytes(), (std::vector<int>{5}));
}

// A device that takes bytes and never sends them: the sender goes on after
// four character times and half a second, and a device still missing at
// the next transmitter-on is logged, never fatal for a station on its own.
TEST_F(OutputPathsTest, AStalledDeviceReleasesItsSenderAfterTheStallLimit) {
  port.SetSwitchTransmitterOff([this] { transmitter.CmRX(); });
  OpenCom1();  // 45 baud, five bits, one and a half stop bits: 166.7 ms a character
  EXPECT_EQ(port.StallLimit(), 1167ms);
  transmitter.CmTX();
  line.stalled = true;
  router.SendCode(3);

  EXPECT_EQ(Elapsed(), 1167ms);
  EXPECT_EQ(
      LogTexts().back(),
      "Comm Port \"COM1\" : no character left the port for 1167 ms; transmitter switched off");
  loop.RunFor(0s);
  EXPECT_EQ(settings.transmitOn, 0);
  EXPECT_EQ(router.LostBecause(), "the comm port stalled");
  router.SendCode(4);
  EXPECT_EQ(Elapsed(), 1167ms);

  line.devices.clear();
  transmitter.CmTX();
  EXPECT_EQ(LogTexts().back(),
            "Comm Port \"COM1\" cannot be opened again; codes for it are dropped");
  EXPECT_TRUE(exitStatuses.empty());
  EXPECT_EQ(router.LostBecause(), "the comm port stalled");
}

// The modem's queue shrinks on its own thread; the sender goes on at once.
TEST_F(OutputPathsTest, ASenderOnItsOwnThreadGoesOnAsSoonAsTheModemQueueShrinks) {
  clock.OnTimer(WindowClock::kStartClock);
  modem.queued = 3;
  WallClock::duration returnedAt{};
  loop.PostAfter(2003ms, [this] {
    // The modem's thread, unknown to the window loop.
    std::thread([this] { modem.Shrink(2); }).join();
  });
  SendFromAnotherThread(loop, [&] {
    modemPath.Send(67);
    returnedAt = Elapsed();
  });
  EXPECT_EQ(returnedAt, 2003ms);
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"char 67,0"}));
}

}  // namespace
}  // namespace kestrix
