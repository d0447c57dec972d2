#include "station/queue/cw_identifier.h"

#include "station/config/menu_ids.h"
#include "station/queue/send_queue.h"
#include "tests/station/app/station_fixture.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using Kind = testing::RecordingSerialLine::Kind;

class CwIdentifierTest : public testing::StationTest {
 protected:
  CwIdentifierTest() { StartWith("QERVCOMMPORT=\"COM1\"\nQERVCALLSIGN=\"n0call\"\n"); }
  CwIdentifier& Cwid() { return station.QueuePart().Identification(); }
  // Gaps between consecutive changes of a line, in Morse ticks of 6 ms.
  std::vector<long> TickGaps(Kind kind, std::size_t count) const {
    const auto events = line.EventsOf(kind);
    std::vector<long> gaps;
    for (std::size_t i = 1; i < events.size() && gaps.size() < count; ++i) {
      gaps.push_back((events[i].at - events[i - 1].at) / 6ms);
    }
    return gaps;
  }
};

TEST_F(CwIdentifierTest, IdentificationTextTitleAndHelpLine) {
  EXPECT_EQ(Cwid().Text(), "de N0CALL N0CALL");
  EXPECT_EQ(window.title.Text(),
            "Kestrix2011/Chat                                          N 0 C A L L ");
  EXPECT_EQ(station.QueuePart().Help().Line(ScriptHelp::kCwIdLine),
            "$CWID     // de N0CALL N0CALL");
}

// "d" is dash-dot-dot, "e" a dot, then the blank's word space, on the
// identification line of each TU_Setup choice; the transmit line holds.
TEST_F(CwIdentifierTest, KeysDeOnTheIdentificationLineWithExactTicks) {
  struct Row {
    int txLine;
    Kind transmit;
    Kind identification;
  };
  for (const Row row : {Row{ID_RS232CONTROL_RTSXMIT, Kind::kRts, Kind::kDtr},
                        Row{ID_RS232CONTROL_DTRXMIT, Kind::kDtr, Kind::kRts}}) {
    settings.TxLine = row.txLine;
    line.events.clear();
    window.eventList.lines.clear();
    Cwid().OnSendCwid();

    // on 20, off 14, on 10, off 14, on 10, off 14+13, "e" on 10,
    // off 14+13+6 (the blank), then "N" begins.
    EXPECT_EQ(TickGaps(row.identification, 8), (std::vector<long>{20, 14, 10, 14, 10, 27, 10, 33}));
    const auto transmit = line.EventsOf(row.transmit);
    ASSERT_EQ(transmit.size(), 2u);  // on, then off at the end (the queue waits)
    const auto keyed = line.EventsOf(row.identification);
    EXPECT_EQ((keyed.front().at - transmit[0].at) / 6ms, 50);  // the lead-in
    EXPECT_EQ((transmit[1].at - keyed.back().at) / 6ms, 14 + 13 + 50);
    EXPECT_EQ(LogTexts().front(), "Cwid : Sending CW Identification.");
    EXPECT_TRUE(Logged("[TXFile : Cannot open data/cwid.txt input file.]"));
    EXPECT_EQ(LogTexts().back(), "Completed CWID");
    EXPECT_EQ(settings.sendNow, 1);
    EXPECT_EQ(settings.localLock, 0);
  }
}

// In CW mode "cwid.txt" is keyed in Morse too: the tick must run for it,
// and the queue goes on after the identification.
TEST_F(CwIdentifierTest, CwModeKeysTheFileThenTheCallWithExactTicksAndTheQueueGoesOn) {
  settings.TxLine = ID_RS232CONTROL_RTSXMIT;
  testing::WriteFile("data/cwid.txt", "T");
  testing::WriteFile("data/after.txt", "E");
  const TimeTag now = ToTimeTag(loop.Now());
  station.QueuePart().Queue().Append(FormatQueueLine(now, "$CW"));
  station.QueuePart().Queue().Append(FormatQueueLine(now, "$CWID"));
  station.QueuePart().Queue().Append(FormatQueueLine(now, "after.txt"));
  station.QueuePart().Cycle().CmEnable();

  loop.RunFor(120s);

  EXPECT_TRUE(Logged("Completed CWID"));
  EXPECT_TRUE(Logged("Completed sending <after.txt>."));
  EXPECT_EQ(settings.localLock, 0);
  EXPECT_FALSE(station.TransmitPart().Busy().IsSet());
  // On the transmit line: on, "T" (a dash: the line already up) ends 20
  // ticks later; after its gaps of 14 and 10 the identification's lead-in,
  // then "d" on the other line; then the next file's "E".
  const auto transmit = line.EventsOf(Kind::kRts);
  ASSERT_EQ(transmit.size(), 4u);
  EXPECT_EQ(transmit[0].value, 1);
  EXPECT_EQ(transmit[1].value, 0);
  EXPECT_EQ((transmit[1].at - transmit[0].at) / 6ms, 20);
  const auto keyed = line.EventsOf(Kind::kDtr);
  ASSERT_FALSE(keyed.empty());
  EXPECT_EQ((keyed.front().at - transmit[1].at) / 6ms, 14 + 10 + 50);
  EXPECT_EQ((transmit[3].at - transmit[2].at) / 6ms, 10);
  EXPECT_EQ(TickGaps(Kind::kDtr, 3), (std::vector<long>{20, 14, 10}));
}

// In PSK31 the modem sends the identification; the station holds 15 s.
TEST_F(CwIdentifierTest, Psk31HandsTheTextToTheModem) {
  settings.soundCardID = 0;
  station.ConfigurationPart().Menus().OnCommand(menu::kModePsk31);
  station.TransmitPart().Transmit().CmTX();
  modem.calls.clear();
  const auto before = loop.Now();
  Cwid().Cwid();
  EXPECT_EQ(modem.calls,
            (std::vector<std::string>{"cwid de N0CALL N0CALL", "char 2,1", "end", "tx 0"}));
  EXPECT_GE(loop.Now() - before, 14s);
  EXPECT_EQ(settings.transmitOn, 1);  // stays on
  EXPECT_TRUE(line.EventsOf(Kind::kDtr).empty());
}

TEST_F(CwIdentifierTest, MenuItemsRefuseWhileBusyAndTheTimerSwitchesWithItsMark) {
  Cwid().OnSendCwIdNow();  // transmitter off
  ASSERT_EQ(window.messageBox.shown.size(), 1u);
  EXPECT_EQ(window.messageBox.shown[0].text, "Works only when sending data to a TU");
  EXPECT_EQ(window.messageBox.shown[0].caption, "Cannot Do it");

  settings.localLock = 1;  // a file is being sent
  Cwid().OnSendCwid();
  EXPECT_EQ(window.messageBox.shown.size(), 2u);
  settings.localLock = 0;
  EXPECT_TRUE(LogTexts().empty());

  Cwid().OnAutoCwIdTimer();
  EXPECT_EQ(settings.cwTimerCheck, 1);
  EXPECT_EQ(settings.CWTimer, 0);
  EXPECT_EQ(window.cwId.Text(), "0");
  EXPECT_TRUE(window.menus.IsItemChecked(menu::kAutoCwIdTimer));
  EXPECT_TRUE(LogTexts().empty());  // no identification yet

  station.TransmitPart().Transmit().CmTX();
  Cwid().OnAutoCwIdTimer();  // off while on and idle: a last identification
  EXPECT_EQ(settings.CWTimer, -1);
  EXPECT_FALSE(window.menus.IsItemChecked(menu::kAutoCwIdTimer));
  EXPECT_TRUE(Logged("Completed CWID"));
}

// The hourly identification waits for the file being sent, goes out at the
// first idle tick and is followed at once by the head entry.
TEST_F(CwIdentifierTest, HourlyIdentificationWaitsForTheFileAndThenLetsTheQueueGoOn) {
  testing::WriteFile("data/a.txt", std::string(300, 'E'));
  testing::WriteFile("data/b.txt", "E");
  settings.checkNoTimer = 0;
  const TimeTag now = ToTimeTag(loop.Now());
  station.QueuePart().Queue().Append(FormatQueueLine(now + 3580, "a.txt"));
  station.QueuePart().Queue().Append(FormatQueueLine(now + 3580, "b.txt"));
  station.TransmitPart().Transmit().CmTX();
  Cwid().OnAutoCwIdTimer();
  station.QueuePart().Cycle().CmEnable();
  window.eventList.lines.clear();
  window.cwId.history.clear();

  loop.RunFor(3700s);
  std::vector<std::string> order;
  for (const auto& text : LogTexts()) {
    if (text.starts_with("TXFile : Sending") || text.starts_with("Cwid") ||
        text == "Completed CWID") {
      order.push_back(text);
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"TXFile : Sending file <a.txt>.",
                                             "Cwid : Sending CW Identification.", "Completed CWID",
                                             "TXFile : Sending file <b.txt>."}));
  // The count went below zero while the file held the identification back.
  EXPECT_NE(std::find(window.cwId.history.begin(), window.cwId.history.end(), "-1"),
            window.cwId.history.end());
  EXPECT_EQ(window.cwId.history.front(), "3599");
}

}  // namespace
}  // namespace kestrix
