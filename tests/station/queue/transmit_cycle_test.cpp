#include "station/queue/transmit_cycle.h"

#include "station/queue/file_transmitter.h"
#include "station/queue/queue_commands.h"
#include "station/queue/schedule_loader.h"
#include "tests/common_support/recording_launcher.h"
#include "tests/station/encoding/transmit_side_fixture.h"
#include "tests/support/fresh_encoder_codes.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_text_pane.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;
using testing::RecordingSerialLine;
using testing::RecordingTextField;
using Event = RecordingSerialLine::Event;
using Kind = RecordingSerialLine::Kind;

struct NoScripts : ScriptCommandRunner {
  void RunScriptCommand(const std::string& text) override { ran.push_back(text); }
  std::vector<std::string> ran;
};
struct NoCwid : CwIdentification {
  void Cwid() override { ++calls; }
  int calls = 0;
};

class TransmitCycleTest : public testing::TransmitSideTest {
 protected:
  TransmitCycleTest() {
    std::filesystem::create_directory("data");
    settings.TxLine = ID_RS232CONTROL_RTS;
    OpenCom1();
    window.eventList.lines.clear();
    cycle.PlugIn(scripts, cwid);
    clock.SetClockTickWork([this] { cycle.OnClockTick(); });
  }

  static void WriteFile(const std::string& name, const std::string& text) {
    testing::WriteFile("data/" + name, text);
  }
  // The codes a fresh copy of the encoder would send for a text.
  std::vector<int> CodesOf(const std::string& text, std::int8_t shift) {
    return testing::FreshEncoderCodes(text, kModeMilitary, start, shift == 31);
  }
  std::string Queued(int secondsAhead, const std::string& name) {
    return FormatQueueLine(ToTimeTag(loop.Now()) + secondsAhead, name);
  }
  // Runs the clock until the cycle is idle again after a transmission.
  void RunUntilIdle(std::chrono::seconds limit = 120s) {
    const auto until = loop.Now() + limit;
    loop.RunFor(1s);
    while (settings.localLock && loop.Now() < until) {
      loop.RunFor(1s);
    }
  }

  SendQueue queue;
  MonitorRing ring;
  testing::RecordingTextPane pane;
  RecordingTextField fileName, charactersLeft, flow, schedule, countDown;
  FileTransmitter files{settings, loop,  log,  encoder, router,
                        morse,    modem, busy, ring,    {pane, fileName, charactersLeft, flow}};
  NoScripts scripts;
  NoCwid cwid;
  TransmitCycle cycle{settings,
                      loop,
                      log,
                      clock,
                      queue,
                      transmitter,
                      router,
                      files,
                      modem,
                      busy,
                      {schedule, flow, countDown, cwIdField}};
  ScheduleLoader loader{settings, loop, log, queue};
  ScriptHelp help;
  testing::RecordingFileChooser chooser;
  testing::RecordingLauncher launcher;
  QueueCommands commands{settings, loop, log, queue, loader, help, chooser, flow, launcher};
};

// One due file, end to end: transmitter on, 3 s silence, 7 s of letters
// shift, the file's codes, 5 s of letters shift, 3 s, transmitter off.
TEST_F(TransmitCycleTest, ADueFileGoesOutWithItsLeadInAndClosingIdle) {
  WriteFile("news.txt", "CQ 73\r\n");
  queue.Append(Queued(0, "news.txt"));
  cycle.CmEnable();
  clock.OnTimer(WindowClock::kStartClock);
  RunUntilIdle();

  const auto rts = line.EventsOf(Kind::kRts);
  ASSERT_EQ(rts.size(), 2u);
  const auto on = rts[0].at;
  EXPECT_EQ(on, 1s);
  const auto bytes = line.EventsOf(Kind::kByte);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.front().at, on + 3s);  // 3 s of silence first

  // Letters shift for 7 s, then the file, then letters shift for 5 s. The
  // idle does not go through the encoder, so the text starts with its LTRS.
  const std::vector<int> file = CodesOf("CQ 73\r\n", 0);
  const std::vector<int> all = line.Bytes();
  std::size_t idleBefore = 0;
  while (bytes[idleBefore].at < on + 10s) {
    ++idleBefore;
  }
  EXPECT_GE(idleBefore, 42u);  // 7 s at 6 characters a second
  for (std::size_t i = 0; i < idleBefore; ++i) {
    ASSERT_EQ(all[i], 31) << i;
  }
  ASSERT_GE(all.size(), idleBefore + file.size());
  EXPECT_EQ(std::vector<int>(all.begin() + idleBefore, all.begin() + idleBefore + file.size()),
            file);
  const std::size_t idleAfter = all.size() - idleBefore - file.size();
  EXPECT_GE(idleAfter, 24u);  // 4 to 5 s: the first tick may come early
  EXPECT_LE(idleAfter, 31u);
  EXPECT_TRUE(std::all_of(all.end() - idleAfter, all.end(), [](int c) { return c == 31; }));
  const auto fileEnd = bytes[idleBefore + file.size()].at;
  // Transmitter off 3 s after the idle ends (the queue is empty by then).
  EXPECT_GE(rts[1].at, bytes.back().at + 3s);
  EXPECT_LE(rts[1].at, bytes.back().at + 4s + line.CharacterTime());
  EXPECT_GE(bytes.back().at - fileEnd, 3900ms);

  const auto logs = LogTexts();
  const std::vector<std::string> expected = {
      "CmEnable : Scheduler ENABLED", "File <news.txt> in TRANSMIT Queue.", "CmTX : Transmitter ON",
      // the next tick, inside the lead-in
      "CmDisable : Scheduler DISABLED", "Queue Empty: Nothing to Send.",
      "TXFile : Sending file <news.txt>.", "CmRX : Transmitter OFF",
      "Completed sending <news.txt>."};
  EXPECT_EQ(logs, expected);
}

TEST_F(TransmitCycleTest, HeaderAndFooterAndAMissingFile) {
  WriteFile("header.txt", "H");
  WriteFile("footer.txt", "F");
  WriteFile("body.txt", "B");
  settings.headerEnable = 1;
  queue.Append(Queued(0, "body.txt"));
  queue.Append(Queued(0, "gone.txt"));
  cycle.CmEnable();
  clock.OnTimer(WindowClock::kStartClock);
  RunUntilIdle();
  RunUntilIdle();

  std::vector<std::string> sent;
  for (const auto& l : LogTexts()) {
    if (l.rfind("TXFile", 0) == 0 || l.rfind("SendAbort", 0) == 0 || l.rfind("Completed", 0) == 0) {
      sent.push_back(l);
    }
  }
  EXPECT_EQ(sent, (std::vector<std::string>{
                      "TXFile : Sending file <header.txt>.", "TXFile : Sending file <body.txt>.",
                      "TXFile : Sending file <footer.txt>.", "Completed sending <body.txt>.",
                      "SendAbort : File <gone.txt> could not be opened.",
                      "Completed sending <gone.txt>."}));
  // The second entry was due at once: the transmitter stays on after the
  // first file, and the missing one leaves it as it is.
  EXPECT_EQ(line.EventsOf(Kind::kRts).size(), 1u);
  EXPECT_EQ(settings.transmitOn, 1);
}

TEST_F(TransmitCycleTest, AScriptEntryIsRunAndRemovedWithoutKeying) {
  queue.Append(Queued(0, "$B50 // BAUD = 50.0"));
  cycle.CmEnable();
  window.eventList.lines.clear();
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(1s);
  EXPECT_EQ(scripts.ran, (std::vector<std::string>{"B50"}));
  EXPECT_TRUE(queue.Empty());
  EXPECT_TRUE(line.EventsOf(Kind::kRts).empty());
  EXPECT_TRUE(LogTexts().empty());
}

TEST_F(TransmitCycleTest, CancelInTheMiddleStopsTheFileAndDisablesTheScheduler) {
  WriteFile("long.txt", std::string(200, 'E'));
  queue.Append(Queued(0, "long.txt"));
  cycle.CmEnable();
  clock.OnTimer(WindowClock::kStartClock);
  loop.PostAt(start + 15s, [&] { cycle.CmCancel(); });
  RunUntilIdle();

  EXPECT_EQ(schedule.value, "DISABLED");
  EXPECT_EQ(flow.value, "CANCEL");
  const auto logs = LogTexts();
  EXPECT_EQ(logs.back(), "ABORTED sending <long.txt>.");
  EXPECT_NE(std::find(logs.begin(), logs.end(), "CmCancel : Session CANCELED"), logs.end());
  const auto bytes = line.EventsOf(Kind::kByte);
  EXPECT_LE(bytes.back().at, 15s + line.CharacterTime());
  const std::vector<int> sent = line.Bytes();
  EXPECT_LT(std::count(sent.begin(), sent.end(), 1), 200);
  EXPECT_FALSE(busy.IsSet());
  EXPECT_EQ(settings.transmitOn, 0);
}

TEST_F(TransmitCycleTest, PauseHoldsTheFileUntilResume) {
  WriteFile("long.txt", std::string(100, 'E'));
  queue.Append(Queued(0, "long.txt"));
  cycle.CmEnable();
  clock.OnTimer(WindowClock::kStartClock);
  loop.PostAt(start + 13s, [&] { cycle.CmPause(); });
  loop.PostAt(start + 20s, [&] { cycle.CmResume(); });
  RunUntilIdle();

  const auto bytes = line.EventsOf(Kind::kByte);
  for (const auto& b : bytes) {
    EXPECT_FALSE(b.at > 13s + line.CharacterTime() && b.at < 20s) << b.at.count();
  }
  const std::vector<int> sent = line.Bytes();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), 1), 100);
  EXPECT_EQ(LogTexts().back(), "Completed sending <long.txt>.");
}

TEST_F(TransmitCycleTest, WithTheTimerOnAnEntryCountsDownAndGoesOutAtZero) {
  settings.checkNoTimer = 0;
  WriteFile("later.txt", "X");
  queue.Append(Queued(30, "later.txt"));
  cycle.CmEnable();
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(3s);
  EXPECT_EQ(countDown.history, (std::vector<std::string>{"29", "28", "27"}));
  loop.RunFor(26s);
  EXPECT_TRUE(line.EventsOf(Kind::kRts).empty());
  loop.RunFor(1s);
  ASSERT_FALSE(line.EventsOf(Kind::kRts).empty());
  EXPECT_EQ(line.EventsOf(Kind::kRts)[0].at, 30s);
}

TEST_F(TransmitCycleTest, AnEntryWithAnUnreadableTimeIsDueAtOnce) {
  settings.checkNoTimer = 0;
  queue.Append("99/xx/2026 25:61:00 $TX");
  cycle.CmEnable();
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(1s);
  EXPECT_EQ(scripts.ran, (std::vector<std::string>{"TX"}));
}

TEST_F(TransmitCycleTest, AutoStartEnablesTheSchedulerWhenTheQueueFills) {
  settings.QERVAutoStart = 1;
  clock.OnTimer(WindowClock::kStartClock);
  loop.RunFor(1s);
  EXPECT_EQ(schedule.value, "AutoWait");
  queue.Append(Queued(0, "$TX"));
  loop.RunFor(1s);
  EXPECT_EQ(schedule.history.back(), "AutoStart");
  EXPECT_EQ(settings.scheduleEnable, 1);
}

TEST_F(TransmitCycleTest, ManualSendsAndTestPatterns) {
  WriteFile("RYRYRYRY.txt", "RY");
  clock.OnTimer(WindowClock::kStartClock);
  cycle.SendTestPattern("RYRYRYRY.txt");
  EXPECT_EQ(LogTexts().front(), "CmRYRYRYRY : Sending <RYRYRYRY.txt> file.");
  EXPECT_EQ(settings.notSending, 1);
  EXPECT_EQ(settings.localLock, 0);
  EXPECT_EQ(settings.transmitOn, 0);
  const auto rts = line.EventsOf(Kind::kRts);
  ASSERT_EQ(rts.size(), 2u);
  EXPECT_EQ(line.EventsOf(Kind::kByte).front().at - rts[0].at, 3s);

  // Selected entry with the scheduler enabled: moved to the front.
  queue.Append(Queued(100, "RYRYRYRY.txt"));
  queue.SetFocusIndex(0);
  cycle.CmEnable();
  cycle.OnManagequeueSendnextfile();
  EXPECT_EQ(queue.Count(), 2);
  EXPECT_EQ(settings.sendNow, 1);
  EXPECT_EQ(LogTexts().back(), "OnManagequeueSendnextfile: Manual Enabling of next in queue.");

  queue.SetFocusIndex(-1);
  cycle.OnManagequeueSendnextfile();
  EXPECT_EQ(LogTexts().back(), "OnManagequeueSendnextfile: No file selected, please select a file");
}

TEST_F(TransmitCycleTest, QueueCommandsAddMoveRemoveAndReload) {
  chooser.SetEditText("a.txt");
  commands.AddFileToQueue();
  EXPECT_EQ(queue.Texts(), (std::vector<std::string>{Queued(0, "a.txt")}));
  EXPECT_EQ(chooser.edit, "");

  queue.Clear();
  queue.Append(Queued(100, "ref.txt"));
  queue.SetFocusIndex(0);
  commands.AddFileToQueue("b.txt");
  EXPECT_EQ(queue.Texts(), (std::vector<std::string>{Queued(90, "b.txt"), Queued(100, "ref.txt")}));

  // From another thread (the mail intake), served by the window thread.
  std::thread mail([&] { commands.AddFileToQueue("c.txt"); });
  while (queue.Count() < 3) {
    loop.WaitForNextEvent();
  }
  mail.join();

  queue.Clear();
  for (const char* n : {"1", "2", "3", "4"}) {
    queue.Append(n);
  }
  queue.SetSelected(1, true);
  queue.SetSelected(3, true);
  commands.MoveSelectedToTop();
  EXPECT_EQ(queue.Texts(), (std::vector<std::string>{"2", "4", "1", "3"}));
  queue.SetSelected(2, true);
  commands.RemoveSelected();
  EXPECT_EQ(queue.Texts(), (std::vector<std::string>{"2", "4", "3"}));

  WriteFile("schedule.lst", "z.txt\n");
  commands.OnReload();
  ASSERT_EQ(queue.Count(), 1);
  EXPECT_EQ(SplitQueueLine(queue.Text(0)).name, "z.txt");
}

TEST_F(TransmitCycleTest, TheChooserListsNewestFilesFirstThenTheHelp) {
  WriteFile("old.txt", "o");
  WriteFile("new.txt", "n");
  std::filesystem::last_write_time("data/old.txt",
                                   std::filesystem::file_time_type::clock::now() - 1h);
  commands.RefreshFileChooser();
  ASSERT_EQ(chooser.items.size(), 2u + ScriptHelp::kChooserLines);
  EXPECT_EQ(chooser.items[0], "new.txt");
  EXPECT_EQ(chooser.items[1], "old.txt");
  EXPECT_EQ(chooser.items[2], "$-- --------------------------------------");
  EXPECT_EQ(chooser.items.back(), "$F1700    // PSK Freq = 1700");

  queue.Append(Queued(0, "new.txt"));
  queue.SetFocusIndex(0);
  commands.OpenQueueEntryInEditor();
  EXPECT_EQ(launcher.opened, (std::vector<std::string>{"data/new.txt"}));
}

}  // namespace
}  // namespace kestrix
