#include "station/queue/file_transmitter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/station/encoding/transmit_side_fixture.h"
#include "tests/support/recording_text_pane.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::RecordingSerialLine;
using Kind = RecordingSerialLine::Kind;
using testing::WriteFile;

class FileTransmitterTest : public testing::TransmitSideTest {
 protected:
  FileTransmitterTest() { std::filesystem::create_directory("data"); }

  // Military on COM1, the log emptied of the port's lines.
  void OpenMilitary() {
    OpenCom1();
    window.eventList.lines.clear();
  }
  void OpenAsciiAt9600() {
    settings.MODE = kModeAscii;
    settings.BAUD = 9600.f;
    port.OpenSerialPort("COM1", 9600.f, 0, 8, 0);
    window.eventList.lines.clear();
  }
  std::vector<WallClock::duration> ByteTimes() const {
    std::vector<WallClock::duration> times;
    for (const auto& event : line.EventsOf(Kind::kByte)) {
      times.push_back(event.at);
    }
    return times;
  }
  std::string Monitored() const {
    std::string text;
    std::uint64_t from = 0;
    ring.ReadSince(from, text);
    return text;
  }

  MonitorRing ring;
  testing::RecordingTextPane pane;
  testing::RecordingTextField fileNameLine;
  testing::RecordingTextField charactersLeft;
  testing::RecordingTextField flowStatus;
  FileTransmitter sender{
      settings, loop,  log,  encoder, router,
      morse,    modem, busy, ring,    {pane, fileNameLine, charactersLeft, flowStatus}};
};

TEST_F(FileTransmitterTest, MilitarySendsTheEncodedTextAndFollowsEachCharacter) {
  OpenMilitary();
  WriteFile("data/x.txt", "ab 1\n");
  // Left over from a cancelled transmission.
  settings.transferSend = 0;
  settings.transferCancel = 1;
  flowStatus.SetText("PAUSED");

  sender.TXFile("x.txt", kModeMilitary);

  EXPECT_THAT(line.Bytes(), ElementsAre(31, 3, 25, 4, 27, 23, 8, 8, 2, 31));
  EXPECT_EQ(Elapsed(), 10 * line.CharacterTime());
  EXPECT_EQ(fileNameLine.value, "x.txt");
  EXPECT_THAT(pane.texts, ElementsAre("AB 1\n"));
  EXPECT_THAT(pane.selected, ElementsAre(0, 1, 2, 3, 4));
  EXPECT_THAT(charactersLeft.history, ElementsAre("4", "3", "2", "1", "0", ""));
  EXPECT_EQ(flowStatus.value, "");
  EXPECT_EQ(Monitored(), "AB 1\n");
  EXPECT_THAT(LogTexts(), ElementsAre("TXFile : Sending file <x.txt>."));
  EXPECT_FALSE(busy.IsSet());
  EXPECT_EQ(settings.transferSend, 1);
  EXPECT_EQ(settings.transferCancel, 0);
}

TEST_F(FileTransmitterTest, AsciiKeepsTheCaseAndSendsBellsForACaretDigit) {
  OpenAsciiAt9600();
  WriteFile("data/a.txt", "Hi^1!");

  sender.TXFile("a.txt", kModeAscii);

  EXPECT_THAT(line.Bytes(), ElementsAre('H', 'i', 7, '!'));
  EXPECT_THAT(pane.texts, ElementsAre("Hi^1!"));
  EXPECT_EQ(Monitored(), "Hi^^!");
}

TEST_F(FileTransmitterTest, Psk31ShowsUpperCaseButSendsTheTextAsItIs) {
  settings.MODE = kModePsk31;
  WriteFile("data/p.txt", "ab");

  sender.TXFile("p.txt", kModePsk31);

  EXPECT_THAT(pane.texts, ElementsAre("AB"));
  EXPECT_THAT(modem.calls, ElementsAre("char 97,0", "char 98,0"));
  EXPECT_EQ(Monitored(), "ab");
}

TEST_F(FileTransmitterTest, CwKeysTheTextOnTheTransmitLine) {
  settings.MODE = kModeCw;
  settings.TxLine = ID_RS232CONTROL_RTS;
  OpenMilitary();
  clock.OnTimer(WindowClock::kStartMorse);
  WriteFile("data/c.txt", "et");
  const auto keyedBefore = line.EventsOf(Kind::kRts).size();

  sender.TXFile("c.txt", kModeCw);

  const auto rts = line.EventsOf(Kind::kRts);
  ASSERT_EQ(rts.size() - keyedBefore, 4u);
  const auto* e = &rts[keyedBefore];
  EXPECT_EQ(e[0].value, 1);
  EXPECT_EQ(e[1].at - e[0].at, 60ms);   // dot
  EXPECT_EQ(e[2].at - e[1].at, 144ms);  // element and character gaps
  EXPECT_EQ(e[3].at - e[2].at, 120ms);  // dash
  EXPECT_EQ(e[3].value, 0);
  EXPECT_THAT(line.Bytes(), IsEmpty());
  EXPECT_THAT(pane.selected, ElementsAre(0, 1));
}

TEST_F(FileTransmitterTest, EmptyAndMissingFilesSendNothing) {
  OpenMilitary();
  WriteFile("data/empty.txt", "");
  sender.TXFile("empty.txt", kModeMilitary);
  EXPECT_THAT(LogTexts(), ElementsAre("TXFile : Sending file <empty.txt>."));
  EXPECT_THAT(charactersLeft.history, ElementsAre(""));

  window.eventList.lines.clear();
  sender.TXFile("none.txt", kModeMilitary);
  EXPECT_EQ(pane.text, "[TXFile : Cannot open data/none.txt input file.]");
  EXPECT_THAT(LogTexts(), ElementsAre("[PrintFile :Cannot open data/none.txt input file.]",
                                      "[TXFile : Cannot open data/none.txt input file.]"));
  EXPECT_THAT(line.Bytes(), IsEmpty());
  EXPECT_FALSE(busy.IsSet());
}

TEST_F(FileTransmitterTest, TheTextEndsAtAZeroByteOrAfter31998Bytes) {
  OpenAsciiAt9600();
  WriteFile("data/zero.txt", std::string("ab\0cd", 5));
  sender.TXFile("zero.txt", kModeAscii);
  EXPECT_THAT(line.Bytes(), ElementsAre('a', 'b'));

  line.events.clear();
  std::string big(40000, 'x');
  big[35000] = '\0';  // past the cut: the length is what cuts it
  WriteFile("data/big.txt", big);
  sender.TXFile("big.txt", kModeAscii);
  EXPECT_EQ(line.Bytes().size(), 31998u);
  EXPECT_EQ(pane.text.size(), 31998u);
  EXPECT_EQ(charactersLeft.history.at(3), "31997");

  WriteFile("data/whole.txt", std::string(31998, 'x'));
  sender.TXFile("whole.txt", kModeAscii);
  EXPECT_THAT(
      LogTexts(),
      ElementsAre("TXFile : Sending file <zero.txt>.",
                  "TXFile : <zero.txt> holds a zero byte at offset 2; the rest is not sent.",
                  "TXFile : Sending file <big.txt>.",
                  "TXFile : <big.txt> is longer than 31998 bytes; the rest is not sent.",
                  "TXFile : Sending file <whole.txt>."));
}

TEST_F(FileTransmitterTest, PauseHoldsTheNextCharacterUntilResume) {
  OpenMilitary();
  WriteFile("data/x.txt", "abc");
  loop.PostAt(start + 10ms, [&] { settings.transferSend = 0; });
  loop.PostAt(start + 5s, [&] { settings.transferSend = 1; });

  sender.TXFile("x.txt", kModeMilitary);

  const auto ct = line.CharacterTime();
  EXPECT_THAT(ByteTimes(), ElementsAre(0s, ct, 5s, 5s + ct));
  EXPECT_THAT(line.Bytes(), ElementsAre(31, 3, 25, 14));
}

TEST_F(FileTransmitterTest, CancelStopsBeforeTheNextCharacterPausedOrNot) {
  OpenMilitary();
  WriteFile("data/x.txt", "abc");
  loop.PostAt(start + 10ms, [&] { settings.transferCancel = 1; });
  sender.TXFile("x.txt", kModeMilitary);
  EXPECT_THAT(line.Bytes(), ElementsAre(31, 3));
  EXPECT_THAT(charactersLeft.history, ElementsAre("2", "1", ""));
  EXPECT_FALSE(busy.IsSet());

  line.events.clear();
  loop.PostAfter(10ms, [&] { settings.transferSend = 0; });
  loop.PostAfter(3s, [&] { settings.transferCancel = 1; });
  sender.TXFile("x.txt", kModeMilitary);
  EXPECT_EQ(line.Bytes().size(), 1u);
  EXPECT_EQ(charactersLeft.value, "");
  EXPECT_FALSE(busy.IsSet());
  EXPECT_EQ(settings.transferSend, 0);
}

// With the way out gone a file ends as a cancelled one, and the log says why.
TEST_F(FileTransmitterTest, AFileEndsAsCancelledWhenTheSoundCardTakesNoMoreCodes) {
  settings.soundCardID = -1;
  WriteFile("data/x.txt", "abc");
  keyer.state = SoundPathState::kRunning;
  loop.PostAfter(0s, [&] { keyer.state = SoundPathState::kFailed; });
  sender.TXFile("x.txt", kModeMilitary);
  EXPECT_THAT(keyer.codes, ElementsAre(31, 3));
  EXPECT_EQ(LogTexts().back(),
            "TXFile : the sound card failed; <x.txt> is cut off after 1 of 3 "
            "characters.");
  EXPECT_EQ(settings.transferCancel, 1);
  EXPECT_FALSE(busy.IsSet());

  keyer.state = SoundPathState::kOff;  // switched off before the file
  sender.TXFile("x.txt", kModeAscii);
  EXPECT_THAT(keyer.codes, ElementsAre(31, 3));
  EXPECT_EQ(LogTexts().back(), "TXFile : the transmitter is off; <x.txt> is not sent.");
  EXPECT_EQ(settings.transferCancel, 1);

  settings.transmitOn = 1;  // switched on in CW, Military chosen since
  sender.TXFile("x.txt", kModeMilitary);
  EXPECT_EQ(LogTexts().back(),
            "TXFile : the sound card was not started with the transmitter; <x.txt> is not sent.");
  EXPECT_THAT(keyer.codes, ElementsAre(31, 3));
  EXPECT_TRUE(line.Bytes().empty());
}

TEST_F(FileTransmitterTest, PausedPsk31KeepsTheModemFedWithoutFillingItsQueue) {
  settings.MODE = kModePsk31;
  WriteFile("data/p.txt", "ab");
  loop.PostAt(start, [&] { settings.transferSend = 0; });
  loop.PostAt(start + 1s, [&] { modem.queued = 3; });
  loop.PostAt(start + 1200ms, [] {});
  loop.PostAt(start + 1500ms, [&] { modem.queued = 0; });
  loop.PostAt(start + 2s, [] {});
  loop.PostAt(start + 3s, [&] { settings.transferSend = 1; });

  sender.TXFile("p.txt", kModePsk31);

  EXPECT_THAT(modem.calls,
              ElementsAre("char 97,0", "char 0,0", "char 0,0", "char 0,0", "char 98,0"));
  EXPECT_EQ(Elapsed(), 3s);
}

TEST_F(FileTransmitterTest, AnotherFileOnDisplayEndsTheHighlightingOnly) {
  OpenMilitary();
  WriteFile("data/x.txt", "abc");
  loop.PostAt(start + 10ms, [&] { fileNameLine.SetText("other.txt"); });

  sender.TXFile("x.txt", kModeMilitary);

  EXPECT_THAT(pane.selected, ElementsAre(0));
  EXPECT_THAT(line.Bytes(), ElementsAre(31, 3, 25, 14));
}

TEST_F(FileTransmitterTest, WaitsForAnotherSenderToReleaseTheOutput) {
  OpenMilitary();
  WriteFile("data/x.txt", "a");
  bool taken = false;
  std::thread([&] { taken = busy.TryTake(); }).join();  // a chat line's sender
  ASSERT_TRUE(taken);
  loop.PostAt(start + 2s, [&] { busy.Release(); });

  sender.TXFile("x.txt", kModeMilitary);

  EXPECT_THAT(ByteTimes(), ElementsAre(2s, 2s + line.CharacterTime()));
  EXPECT_FALSE(busy.IsSet());
}

TEST_F(FileTransmitterTest, PrintFileShowsFilesUpperCasedOutsideAscii) {
  EXPECT_EQ(sender.PrintFile("$TX"), 0);
  EXPECT_THAT(pane.texts, IsEmpty());
  EXPECT_THAT(fileNameLine.history, IsEmpty());

  WriteFile("log/20260307.log", "Sent x\xE9\n");
  EXPECT_EQ(sender.PrintFile("log/20260307.log"), 0);
  EXPECT_EQ(fileNameLine.value, "log/20260307.log");
  EXPECT_EQ(pane.text, "SENT X\xE9\n");

  settings.MODE = kModeAscii;
  const std::string longName(260, 'n');
  WriteFile("data/" + longName.substr(0, 250), "Kept");
  EXPECT_EQ(sender.PrintFile(longName), 0);
  EXPECT_EQ(pane.text, "Kept");

  EXPECT_EQ(sender.PrintFile("x"), 1);
  EXPECT_EQ(fileNameLine.value, "x");
  EXPECT_EQ(pane.text, "[PrintFile :Cannot open data/x input file.]");
  EXPECT_THAT(LogTexts(), ElementsAre("[PrintFile :Cannot open data/x input file.]"));
}

}  // namespace
}  // namespace kestrix
