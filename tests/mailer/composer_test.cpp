#include "mailer/composer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mailer/line_wrap.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/mailer/fake_composer_host.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::RecordingMessageBox;
using testing::WriteFile;

class FakeField : public ComposerListField {
 public:
  void SetText(const std::string& value) override {
    text = value;
    selected = false;  // a new text is not selected
  }
  std::string Text() const override { return text; }
  void SelectAll() override { selected = true; }
  void Focus() override { ++focused; }
  std::vector<std::string> Entries() const override { return entries; }
  void SetEntries(const std::vector<std::string>& list) override { entries = list; }

  std::string text;
  bool selected = false;
  int focused = 0;
  std::vector<std::string> entries;
};

// A box whose questions stay open until the test answers them.
class LaterAnsweredBox final : public MessageBox {
 public:
  void Show(const std::string& text, const std::string&, MessageBoxIcon) override {
    shown.push_back(text);
  }
  void ShowAndWait(const std::string& text, const std::string&, MessageBoxIcon) override {
    shown.push_back(text);
  }
  void Ask(const std::string& text, const std::string&, MessageBoxIcon, Answer answer) override {
    shown.push_back(text);
    pending.push_back(std::move(answer));
  }
  void Beep() override {}

  std::vector<std::string> shown;
  std::vector<Answer> pending;
};

const std::vector<std::string> kFixedGroups = {"QST QST QST", "NEWS", "ALL HAMS", "XYL'S",
                                               "SENIOR CITIZENS"};

class ComposerTest : public ::testing::Test {
 protected:
  std::unique_ptr<Composer> NewComposer(MessageBox& messageBox) {
    return std::make_unique<Composer>(ComposerFields{from, to, subject, message}, host, messageBox);
  }
  std::unique_ptr<Composer> Opened() {
    auto composer = NewComposer(box);
    composer->Open();
    return composer;
  }

  testing::TempWorkingDirectory dir;
  testing::FakeComposerHost host;
  FakeField from, to, subject;
  testing::RecordingTextField message;
  RecordingMessageBox box;
};

TEST_F(ComposerTest, WithoutSettingsFileToIsGeneralDeliveryAmongTheFixedGroups) {
  auto composer = Opened();
  EXPECT_EQ(from.text, "NoBody");
  EXPECT_EQ(subject.text, "NoBody forgot to give this a Title");
  EXPECT_EQ(to.text, "General Delivery");
  std::vector<std::string> expected{"General Delivery"};
  expected.insert(expected.end(), kFixedGroups.begin(), kFixedGroups.end());
  EXPECT_EQ(to.entries, expected);
  EXPECT_TRUE(from.selected && to.selected && subject.selected);
  EXPECT_EQ(subject.focused, 1);
  EXPECT_EQ(from.focused + to.focused, 0);

  // A mailbox that already names a group gives that group.
  host.mailbox = "ALL_HAMS!qerv";
  Opened();
  EXPECT_EQ(to.text, "ALL_HAMS");
  EXPECT_EQ(to.entries.front(), "ALL_HAMS");
}

TEST_F(ComposerTest, ATypedToSurvivesCloseAndOpenAsAnExtraListEntry) {
  auto composer = Opened();
  from.SetText("W1AW");
  to.SetText("DX CLUB");
  subject.SetText("CONTEST");
  composer->Close();
  EXPECT_EQ(ReadFile(Composer::kSettingsFile),
            "W1AW\nDX CLUB\nCONTEST\nGeneral Delivery\nQST QST QST\nNEWS\nALL HAMS\nXYL'S\n"
            "SENIOR CITIZENS\nDX CLUB\n");

  host.mailFrom = "K1ABC";
  from = FakeField();
  to = FakeField();
  subject = FakeField();
  auto next = Opened();
  EXPECT_EQ(from.text, "W1AW");
  EXPECT_EQ(to.text, "DX CLUB");
  EXPECT_EQ(subject.text, "CONTEST");
  ASSERT_EQ(to.entries.size(), 7u);
  EXPECT_EQ(to.entries.back(), "DX CLUB");
  EXPECT_EQ(subject.focused, 1);

  // A TO from the list adds no line.
  to.SetText("NEWS");
  next->Close();
  const std::string written = ReadFile(Composer::kSettingsFile);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 3 + 7);
}

TEST_F(ComposerTest, SettingsLinesAreCutAtCrAndAfter255Characters) {
  WriteFile(Composer::kSettingsFile,
            "N0CALL\r\n" + std::string(300, 'T') + "\nSUBJ\r\n\nNEWS\r\nFISH\n");
  Opened();
  EXPECT_EQ(from.text, "N0CALL");
  EXPECT_EQ(to.text, std::string(255, 'T'));
  EXPECT_EQ(subject.text, "SUBJ");
  EXPECT_EQ(to.entries, (std::vector<std::string>{"NEWS", "FISH"}));
}

TEST_F(ComposerTest, StormySubjectIsSavedUnderItsFileNameAtTheHeadOfTheQueue) {
  auto composer = Opened();
  host.queue = {"data/OLDER.txt"};
  subject.SetText("WX: STORM <UPDATE>?");
  const std::string text = "QST\n" + std::string(20, 'W') + " " + std::string(60, 'X') + "\n";
  message.SetText(text);
  composer->SaveToQueue();

  const std::string path = "AutoStartMail/WX;_STORM_[UPDATE]_.txt";
  EXPECT_EQ(subject.text, "WX;_STORM_[UPDATE]_");
  EXPECT_EQ(ReadFile(path),
            "QST\r\n" + std::string(20, 'W') + " \r\r\n" + std::string(60, 'X') + "\r\n");
  EXPECT_EQ(host.queue, (std::vector<std::string>{path, "data/OLDER.txt"}));
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(ComposerTest, FileNameCharacters) {
  EXPECT_EQ(Composer::FileNameCharacters(" \"*:<>?\\|/az09.-'"), "__#;[]___/az09.-'");
  EXPECT_EQ(Composer::SubjectFileName(" \"*:<>?\\|/az09.-'"), "__#;[]____az09.-'");
  EXPECT_EQ(Composer::SubjectFileName(std::string("AB\0/CD", 6)), "AB");
}

// A slash would name a directory; no subject leads out of AutoStartMail/.
TEST_F(ComposerTest, NoSubjectNamesAFileOutsideTheQueueDirectory) {
  auto composer = Opened();
  const std::filesystem::path queueDir = std::filesystem::canonical(dir.Path()) / "AutoStartMail";
  for (const std::string subjectText :
       {"A/B", "..", ".", "", "../../ETC/PASSWD", "/TMP/X", "..\\..\\X", "../"}) {
    message.SetText("TEXT OF " + subjectText);
    subject.SetText(subjectText);
    composer->SaveToQueue();
    ASSERT_FALSE(host.queue.empty());
    const std::filesystem::path saved = host.queue.front();
    EXPECT_TRUE(std::filesystem::is_regular_file(saved)) << subjectText;
    EXPECT_EQ(std::filesystem::canonical(saved).parent_path(), queueDir) << subjectText;
    EXPECT_EQ(ReadFile(saved), "TEXT OF " + subjectText);
  }
  EXPECT_EQ(host.queue.front(), "AutoStartMail/.._.txt");
  EXPECT_EQ(host.queue[1], "AutoStartMail/.._.._X.txt");
  EXPECT_EQ(host.queue.back(), "AutoStartMail/A_B.txt");
  // Nothing but the queue directory (and no settings file yet) was made.
  std::vector<std::string> made;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    made.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(made, std::vector<std::string>{"AutoStartMail"});
}

TEST_F(ComposerTest, SavingTwiceAsksAndNoLeavesFileAndQueueAlone) {
  auto composer = Opened();
  subject.SetText("NET REPORT");
  message.SetText("FIRST");
  composer->SaveToQueue();
  ASSERT_TRUE(box.shown.empty());

  message.SetText("SECOND");
  box.answerYes = false;
  composer->SaveToQueue();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "Filename [NET_REPORT] already exists, REWRITE???");
  EXPECT_EQ(box.shown[0].caption, "Duplicate File Name");
  EXPECT_EQ(box.shown[0].kind, RecordingMessageBox::Kind::kQuestion);
  EXPECT_EQ(ReadFile("AutoStartMail/NET_REPORT.txt"), "FIRST");
  EXPECT_EQ(host.queue, std::vector<std::string>{"AutoStartMail/NET_REPORT.txt"});

  box.answerYes = true;
  composer->SaveToQueue();
  EXPECT_EQ(ReadFile("AutoStartMail/NET_REPORT.txt"), "SECOND");
  EXPECT_EQ(host.queue.size(), 2u);
}

TEST_F(ComposerTest, AFileThatCannotBeWrittenIsReportedAndNotQueued) {
  WriteFile("AutoStartMail", "a file where the directory should be");
  auto composer = Opened();
  subject.SetText("LOST");
  composer->SaveToQueue();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "OnBnClickedOk : Cannot open <AutoStartMail/LOST.txt> file");
  EXPECT_EQ(box.shown[0].caption, "Error");
  EXPECT_TRUE(host.queue.empty());

  // Send Now does not mail someone else's file instead.
  composer->SendNow();
  EXPECT_TRUE(host.sessions.empty());
  EXPECT_EQ(box.shown.size(), 2u);
}

TEST_F(ComposerTest, QueueTextIsCutAt31999Characters) {
  auto composer = Opened();
  subject.SetText("LONG");
  message.SetText(std::string(40000, 'L'));
  composer->SaveToQueue();
  const std::string saved = ReadFile("AutoStartMail/LONG.txt");
  EXPECT_EQ(saved.size(), 31999u);
  EXPECT_EQ(saved, LineWrap::Marked(std::string(40000, 'L')).substr(0, 31999));
}

TEST_F(ComposerTest, SendNowMailsToTheGroupAtTheMailboxAndPutsTheHostBack) {
  auto composer = Opened();
  to.SetText("ALL HAMS");
  from.SetText("W1AW OPS: NET");
  subject.SetText("BULLETIN");
  message.SetText("QST\n");
  composer->SendNow();

  ASSERT_EQ(host.sessions.size(), 1u);
  EXPECT_EQ(host.sessions[0].mailbox, "ALL_HAMS!qerv");
  EXPECT_EQ(host.sessions[0].mailFrom, "W1AW_OPS;_NET");
  EXPECT_EQ(host.sessions[0].queueHead, "AutoStartMail/BULLETIN.txt");
  EXPECT_EQ(ReadFile("AutoStartMail/BULLETIN.txt"), "QST\r\n");
  EXPECT_EQ(host.mailbox, "qerv");
  EXPECT_EQ(host.mailFrom, "NoBody");
}

TEST_F(ComposerTest, SendNowAfterNoStillMailsTheHeadOfTheQueue) {
  auto composer = Opened();
  subject.SetText("AGAIN");
  composer->SaveToQueue();
  host.queue = {"data/OTHER.txt"};
  box.answerYes = false;
  composer->SendNow();
  ASSERT_EQ(host.sessions.size(), 1u);
  EXPECT_EQ(host.sessions[0].queueHead, "data/OTHER.txt");
  EXPECT_EQ(host.sessions[0].mailbox, "General_Delivery!qerv");
  EXPECT_EQ(host.queue, std::vector<std::string>{"data/OTHER.txt"});
}

// The answer may come after the composer's window has been closed: the
// answer is still carried out, with what was on screen at the command.
TEST_F(ComposerTest, AnAnswerAfterTheComposerIsGoneStillSavesAndSends) {
  LaterAnsweredBox later;
  auto composer = NewComposer(later);
  composer->Open();
  subject.SetText("LATE");
  to.SetText("NEWS");
  message.SetText("ONE");
  composer->SaveToQueue();
  message.SetText("TWO");
  composer->SendNow();
  ASSERT_EQ(later.pending.size(), 1u);
  to.SetText("CHANGED");
  message.SetText("THREE");
  composer.reset();

  later.pending[0](true);
  EXPECT_EQ(ReadFile("AutoStartMail/LATE.txt"), "TWO");
  ASSERT_EQ(host.sessions.size(), 1u);
  EXPECT_EQ(host.sessions[0].mailbox, "NEWS!qerv");
  EXPECT_EQ(host.sessions[0].queueHead, "AutoStartMail/LATE.txt");
  EXPECT_EQ(host.mailbox, "qerv");
}

TEST_F(ComposerTest, ClearAllStartsANewMessage) {
  auto composer = Opened();
  host.mailFrom = "K1ABC";
  message.SetText("OLD TEXT");
  to.SetText("NEWS");
  composer->ClearAll();
  EXPECT_EQ(message.value, "");
  EXPECT_EQ(from.text, "K1ABC");
  EXPECT_EQ(subject.text, "K1ABC forgot to give this a Title");
  EXPECT_TRUE(subject.selected);
  EXPECT_EQ(to.text, "GENERAL DELIVERY");
  EXPECT_TRUE(to.selected);
}

TEST_F(ComposerTest, OpenFileTakesSubjectFromTheNameAndTheTextAsTyped) {
  auto composer = Opened();
  std::filesystem::create_directory("data");
  WriteFile("data/MY_FIRST_NOTE.TXT", "HELLO\r\nWORLD \r\r\nNEXT\r\n");
  composer->OpenFile("data/MY_FIRST_NOTE.TXT");
  EXPECT_EQ(subject.text, "MY FIRST NOTE");
  EXPECT_EQ(message.value, "HELLO\nWORLD NEXT\n");

  WriteFile("data/BIG.V2.TXT", std::string(70000, 'B'));
  composer->OpenFile("data/BIG.V2.TXT");
  EXPECT_EQ(subject.text, "BIG.V2");
  EXPECT_EQ(message.value.size(), 63999u);

  // Unreadable: the name is taken, the text stays.
  composer->OpenFile("data/NOT_THERE.TXT");
  EXPECT_EQ(subject.text, "NOT THERE");
  EXPECT_EQ(message.value.size(), 63999u);
  EXPECT_EQ(Composer::SubjectOfFile("NONAME"), "NONAME");
}

TEST_F(ComposerTest, SavePageWritesTheSavedFormUnderTheProposedName) {
  auto composer = Opened();
  subject.SetText("WX: A/B");
  EXPECT_EQ(composer->ProposedPageName(), "WX;_A_B.txt");
  message.SetText(std::string(80, 'P'));
  std::filesystem::create_directory("data");
  EXPECT_TRUE(composer->SavePage("data/PAGE.txt"));
  EXPECT_EQ(ReadFile("data/PAGE.txt"), std::string(72, 'P') + "\r\r\n" + std::string(8, 'P'));
  EXPECT_TRUE(box.shown.empty());

  EXPECT_FALSE(composer->SavePage("no-such-dir/PAGE.txt"));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].caption, "Error");
}

TEST_F(ComposerTest, PrintLinesAreTheHeaderThenTheTextAsShown) {
  auto composer = Opened();
  from.SetText("W1AW");
  to.SetText("NEWS");
  subject.SetText("FIELD DAY");
  message.SetText(std::string(75, 'F') + "\nEND");
  EXPECT_EQ(composer->PrintLines(),
            (std::vector<std::string>{"FROM:    W1AW", "TO:      NEWS", "SUBJECT: FIELD DAY", "",
                                      std::string(72, 'F'), "FFF", "END"}));
}

}  // namespace
}  // namespace kestrix
