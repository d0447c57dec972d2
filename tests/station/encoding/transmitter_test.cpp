#include "station/encoding/transmitter.h"

#include <atomic>
#include <thread>

#include "station/config/menu_ids.h"
#include "tests/station/encoding/transmit_side_fixture.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::RecordingSerialLine;
using Event = RecordingSerialLine::Event;
using Kind = RecordingSerialLine::Kind;

class TransmitterTest : public testing::TransmitSideTest {
 protected:
  TransmitterTest() { clock.OnTimer(WindowClock::kStartClock); }
};

TEST_F(TransmitterTest, OnAndOffSwitchTheTxLineOnceAndShowIt) {
  settings.TxLine = ID_RS232CONTROL_RTS;
  OpenCom1();
  settings.CWTimer = 100;
  settings.cwTimerCheck = 1;
  menus.SetItemChecked(menu::kAutoCwIdTimer, true);
  window.eventList.lines.clear();

  transmitter.CmTX();
  transmitter.CmTX();
  EXPECT_TRUE(line.rts);
  EXPECT_EQ(transmitStatus.value, "  ON  ");
  EXPECT_FALSE(menus.IsItemEnabled(menu::kSoundAuto));
  EXPECT_FALSE(menus.IsItemEnabled(menu::kSoundCard4));

  transmitter.CmRX();
  EXPECT_EQ(Elapsed(), 2s);  // the sound thread's play-out wait, always
  transmitter.CmRX();
  EXPECT_FALSE(line.rts);
  EXPECT_EQ(transmitStatus.value, "  OFF  ");
  EXPECT_EQ(cwIdField.value, "OFF");
  EXPECT_EQ(settings.CWTimer, -1);
  EXPECT_EQ(settings.cwTimerCheck, 0);
  EXPECT_FALSE(menus.IsItemChecked(menu::kAutoCwIdTimer));
  EXPECT_TRUE(menus.IsItemEnabled(menu::kSoundAuto));
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{"CmTX : Transmitter ON", "CmRX : Transmitter OFF"}));
  EXPECT_EQ(line.EventsOf(Kind::kRts),
            (std::vector<Event>{{0s, Kind::kRts, 1}, {0s, Kind::kRts, 0}}));
}

TEST_F(TransmitterTest, TheDtrSettingsKeyDtrAndDisabledKeysNothing) {
  settings.TxLine = ID_RS232CONTROL_DTRXMIT;
  OpenCom1();
  transmitter.CmTX();
  EXPECT_TRUE(line.dtr);
  EXPECT_FALSE(line.rts);
  transmitter.CmRX();
  EXPECT_FALSE(line.dtr);

  settings.TxLine = ID_RS232CONTROL_DISABLED;
  transmitter.CmTX();
  EXPECT_FALSE(line.dtr);
  EXPECT_FALSE(line.rts);
}

TEST_F(TransmitterTest, AKeyerIsStoppedEvenWhenTheModeChangedWhileItRan) {
  settings.soundCardID = -1;
  transmitter.CmTX();
  modes.SelectMode(menu::kModeCw);
  transmitter.CmRX();
  ASSERT_EQ(keyer.starts.size(), 1u);
  EXPECT_EQ(keyer.stops, 1);
  EXPECT_EQ(Elapsed(), 0s);  // CW has no play-out wait of its own
}

TEST_F(TransmitterTest, WithASoundCardEachTransmissionStartsAWorkerOnTheCentreTone) {
  settings.soundCardID = -1;
  transmitter.CmTX();
  ASSERT_EQ(keyer.starts.size(), 1u);
  EXPECT_EQ(keyer.starts[0].sampleRate, 8000);
  EXPECT_EQ(keyer.starts[0].centerFrequency, 2210);
  EXPECT_DOUBLE_EQ(settings.halfShift, 85.0);

  transmitter.CmRX();
  EXPECT_EQ(keyer.stops, 1);
  EXPECT_EQ(Elapsed(), 2s);

  // A break moves both tones up one shift.
  settings.sendBreakSignal = 1;
  transmitter.CmTX();
  ASSERT_EQ(keyer.starts.size(), 2u);
  EXPECT_EQ(keyer.starts[1].centerFrequency, 2380);
}

// Mode and rate changes reach the worker while the transmitter is on, and
// only then; a serial station has none to change.
TEST_F(TransmitterTest, TheWorkerFollowsModeAndRateWhileOn) {
  settings.soundCardID = -1;
  transmitter.FollowModeAndRate();
  EXPECT_TRUE(keyer.starts.empty());

  transmitter.CmTX();
  settings.BAUD = 50.0f;
  transmitter.FollowModeAndRate();
  settings.MODE = kModeAscii;
  settings.DATABITS = 8;
  transmitter.FollowModeAndRate();
  ASSERT_EQ(keyer.starts.size(), 3u);
  // Morse sounds on the mark tone at the Morse tick.
  EXPECT_EQ(keyer.starts[0], (SoundSignal{8000, 2210, 5, 45.45f, 2125, 6, true}));
  EXPECT_EQ(keyer.starts[1], (SoundSignal{8000, 2210, 5, 50.0, 2125, 6, true}));
  EXPECT_EQ(keyer.starts[2], (SoundSignal{8000, 2210, 8, 50.0, 2125, 6, true}));
  EXPECT_EQ(keyer.stops, 0);

  // CW keys only Morse on the card; the modem wants the card for itself.
  settings.MODE = kModeCw;
  transmitter.FollowModeAndRate();
  ASSERT_EQ(keyer.starts.size(), 4u);
  EXPECT_FALSE(keyer.starts[3].fsk);
  EXPECT_EQ(keyer.starts[3].morseTone, 2125);
  settings.MODE = kModePsk31;
  transmitter.FollowModeAndRate();
  EXPECT_EQ(keyer.state, SoundPathState::kOff);
  EXPECT_EQ(keyer.stops, 1);
  EXPECT_EQ(keyer.starts.size(), 4u);
  transmitter.CmRX();

  settings.soundCardID = 99;
  settings.MODE = kModeMilitary;
  transmitter.CmTX();
  transmitter.FollowModeAndRate();
  EXPECT_EQ(keyer.starts.size(), 4u);
  EXPECT_EQ(keyer.stops, 2);  // PSK31's and the transmitter-off's
}

TEST_F(TransmitterTest, Psk31UsesTheMarkToneUnlessAScriptChoseTheCarrier) {
  settings.MODE = kModePsk31;
  settings.soundCardID = 0;
  transmitter.CmTX();
  transmitter.CmRX();
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"freq 2125", "tx 0", "prepare-end", "end",
                                                   "prepare-end", "end"}));
  EXPECT_EQ(Elapsed(), 2s);

  modem.calls.clear();
  settings.pskFrequency = 1750.5f;
  settings.pskFrequencyFromScript = 1;
  transmitter.CmTX();
  EXPECT_EQ(modem.calls, (std::vector<std::string>{"freq 1750", "tx 0"}));
}

TEST_F(TransmitterTest, TheBreakHoldsTheLineAtSpaceUntilTheSecondCommand) {
  settings.TxLine = ID_RS232CONTROL_RTS;
  OpenCom1();
  loop.PostAt(start + 5s, [&] { transmitter.ToggleBreakSignal(); });
  transmitter.ToggleBreakSignal();

  EXPECT_EQ(settings.sendBreakSignal, 0);
  EXPECT_EQ(settings.transmitOn, 0);
  EXPECT_FALSE(menus.IsItemChecked(menu::kSendBreakSignal));
  EXPECT_EQ(line.EventsOf(Kind::kBreak),
            (std::vector<Event>{{0s, Kind::kBreak, 1}, {5s, Kind::kBreak, 0}}));
  EXPECT_EQ(line.EventsOf(Kind::kRts),
            (std::vector<Event>{{0s, Kind::kRts, 1}, {5s, Kind::kRts, 0}}));
}

TEST_F(TransmitterTest, MorseKeysTheTxLineWithExactTickTiming) {
  settings.TxLine = ID_RS232CONTROL_RTSXMIT;
  OpenCom1();
  clock.OnTimer(WindowClock::kStartMorse);
  const auto t0 = Elapsed();
  const auto tick = 6ms;

  morse.KeyMorseCharacter('e', MorseKeyer::kTextGap);
  EXPECT_EQ(line.EventsOf(Kind::kRts),
            (std::vector<Event>{{t0, Kind::kRts, 1}, {t0 + 10 * tick, Kind::kRts, 0}}));
  EXPECT_EQ(Elapsed(), t0 + (10 + 14 + 10) * tick);

  // '.' is dot dash dot dash dot dash; each element is followed by 14 ticks.
  line.events.clear();
  const auto t1 = Elapsed();
  morse.KeyMorseCharacter('.', MorseKeyer::kIdentificationGap);
  std::vector<int> downTicks;
  const auto rts = line.EventsOf(Kind::kRts);
  ASSERT_EQ(rts.size(), 12u);
  for (std::size_t i = 0; i < rts.size(); i += 2) {
    downTicks.push_back(static_cast<int>((rts[i + 1].at - rts[i].at) / tick));
  }
  EXPECT_EQ(downTicks, (std::vector<int>{10, 20, 10, 20, 10, 20}));
  EXPECT_EQ(Elapsed(), t1 + (90 + 6 * 14 + 13) * tick);

  // A word space waits 6 ticks and keys nothing; so does everything with no port.
  line.events.clear();
  const auto t2 = Elapsed();
  morse.KeyMorseCharacter(' ', MorseKeyer::kTextGap);
  EXPECT_EQ(Elapsed(), t2 + 6 * tick);
  port.CloseSerialPort();
  line.events.clear();
  morse.KeyMorseCharacter('T', MorseKeyer::kTextGap);
  EXPECT_TRUE(line.EventsOf(Kind::kRts).empty());
  EXPECT_EQ(Elapsed(), t2 + (6 + 20 + 14 + 10) * tick);
}

// A sender on its own thread waits for the busy flag and for the ticks as
// the window thread would, without holding up the clock or falling behind it.
TEST_F(TransmitterTest, WaitsOnAnotherThreadFollowTheBusyFlagAndTheTicks) {
  settings.TxLine = ID_RS232CONTROL_RTSXMIT;
  OpenCom1();
  clock.OnTimer(WindowClock::kStartMorse);
  const auto t0 = Elapsed();
  ASSERT_TRUE(busy.TryTake());
  loop.PostAfter(63ms, [this] { busy.Release(); });
  std::atomic<bool> done{false};
  std::thread sender = loop.StartThread([&] {
    busy.Take();
    morse.KeyMorseCharacter('e', MorseKeyer::kTextGap);
    busy.Release();
    done = true;
  });
  while (!done) {
    loop.WaitForNextEvent();
  }
  sender.join();

  // Down when the flag is let go; up at the tenth tick after (ticks every 6 ms).
  EXPECT_EQ(line.EventsOf(Kind::kRts),
            (std::vector<Event>{{t0 + 63ms, Kind::kRts, 1}, {t0 + 120ms, Kind::kRts, 0}}));
  EXPECT_FALSE(busy.IsSet());
}

TEST_F(TransmitterTest, IdleFillSendsLettersShiftOnlyWhileNothingElseIsSent) {
  OpenCom1();
  settings.diddleEnable = 1;
  transmitter.CmTX();
  encoder.EncodeCharacter('1', kModeMilitary);  // leaves the machine in figures
  idleFill.Update();
  loop.RunFor(1s);
  const auto filled = line.Bytes();
  ASSERT_GE(filled.size(), 5u);
  EXPECT_EQ(std::vector<int>(filled.begin() + 2, filled.end()),
            std::vector<int>(filled.size() - 2, 31));
  EXPECT_EQ(encoder.ShiftState(), 31);

  // A transmission holds the line: no fill.
  settings.localLock = 1;
  loop.RunFor(1s);
  const std::size_t before = line.Bytes().size();
  loop.RunFor(1s);
  EXPECT_EQ(line.Bytes().size(), before);
  EXPECT_FALSE(loop.IsTimerRunning(WindowClock::kIdleFillTimer));
}

}  // namespace
}  // namespace kestrix
