// The mail loader's main window, offscreen: presets, the queue, the
// settings file between runs, the refusals and the keyboard.

#include "mailer/quillon_window.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPushButton>

#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::chrono_literals;

class QuillonWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<QuillonWindow> Open() {
    auto recording = std::make_unique<testing::RecordingMessageBox>();
    boxes = recording.get();
    return std::make_unique<QuillonWindow>(loop, std::move(recording));
  }
  static std::string LogText(const QuillonWindow& window, int row) {
    return window.logList_->item(row)->text().toStdString().substr(11);
  }

  int argc = 1;
  char name[16] = "quillon_window";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 12, 8, 9, 5, 7)};
  testing::RecordingMessageBox* boxes = nullptr;
};

TEST_F(QuillonWindowTest, StartsWithItsDefaultsAndAPresetSetsPortAndHost) {
  auto window = Open();
  EXPECT_EQ(window->MailFrom(), "NoBody");
  EXPECT_EQ(window->Subject(), "Default (To use file name as subject, do not change this line)");
  EXPECT_EQ(window->secondsBetween_->text(), "60");
  EXPECT_EQ(window->countDown_->text(), "Disabled");
  EXPECT_EQ(window->HostText(), "localhost  // Default:   QERV / National / Autostart ");
  EXPECT_FALSE(window->port_->isEnabled());
  EXPECT_EQ(LogText(*window, 0), "********** Application Started **********");

  window->server_->setCurrentIndex(1);
  window->ServerChosen(1);
  EXPECT_EQ(window->PortText(), "598");
  EXPECT_EQ(LogText(*window, window->logList_->count() - 1),
            "Mail server set to \"national@localhost\", Port = \"598\"");

  window->advanced_->trigger();
  EXPECT_TRUE(window->port_->isEnabled() && window->address_->isEnabled() &&
              window->subject_->isEnabled());
}

TEST_F(QuillonWindowTest, YesToTheCloseQuestionKeepsFieldsAndQueueForTheNextStart) {
  {
    auto window = Open();
    window->AddFiles({"data/a.txt", "data/b.txt", "data/c.txt"});
    window->server_->setEditText("autostart");
    window->port_->setEditText("594");
    window->SetMailFrom("K1ABC");
    window->subject_->setText("Club news");
    window->close();  // the recording box answers Yes
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].text, "              Are you sure?");
    EXPECT_EQ(boxes->shown[0].caption, "Closing Quillon Application");
    EXPECT_TRUE(std::filesystem::exists("Quillon.INI"));
  }
  auto again = Open();
  EXPECT_EQ(again->Mailbox(), "autostart");
  EXPECT_EQ(again->PortText(), "594");
  EXPECT_EQ(again->MailFrom(), "K1ABC");
  EXPECT_EQ(again->Subject(), "Club news");
  ASSERT_EQ(again->QueueCount(), 3);
  EXPECT_TRUE(again->QueueEntry(0).ends_with("/data/a.txt"));
  EXPECT_TRUE(again->QueueEntry(2).ends_with("/data/c.txt"));
}

TEST_F(QuillonWindowTest, ClearAllEmptiesQueueAndLogListButNotTheLogFile) {
  auto window = Open();
  window->AddFiles({"a.txt"});
  window->ClearAll();
  EXPECT_EQ(window->QueueCount(), 0);
  EXPECT_EQ(window->logList_->count(), 0);
  EXPECT_TRUE(std::filesystem::exists("20261208.log"));
}

TEST_F(QuillonWindowTest, ANoBodySenderIsRefusedAndStopsMeteredMail) {
  auto window = Open();
  window->AddFiles({"a.txt"});
  window->metered_check_->setChecked(true);
  EXPECT_EQ(window->countDown_->text(), " ");
  window->SendMail();
  window->Sessions().WaitUntilIdle();
  loop.RunFor(1s);
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].text, "Mail From \"NoBody\" is not allowed, please change");
  EXPECT_FALSE(window->metered_check_->isChecked());
  EXPECT_EQ(window->countDown_->text(), "Disabled");
  EXPECT_TRUE(window->sendMail_->isEnabled());
}

TEST_F(QuillonWindowTest, OutsideProgramsOpenTheSelectedFilesOrSayWhy) {
  auto window = Open();
  std::vector<std::string> opened;
  window->SetProgramStarter([&](QuillonWindow::OutsideProgram, const std::string& path) {
    opened.push_back(path);
    return path.find("b.txt") == std::string::npos;
  });
  window->OpenSelectedWith(QuillonWindow::OutsideProgram::kWordpad);
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].text, "Nothing to open, please select a file first");
  window->AddFiles({"a.txt", "b.txt"});
  window->queue_->selectAll();
  window->OpenSelectedWith(QuillonWindow::OutsideProgram::kHexEditor);
  EXPECT_EQ(opened.size(), 2u);
  ASSERT_EQ(boxes->shown.size(), 2u);
  EXPECT_EQ(boxes->shown[1].text, "Application not found");
  EXPECT_EQ(boxes->shown[1].caption, "Not a Nice Day");
}

// Every button can be reached from the keyboard, and Enter sends the mail.
TEST_F(QuillonWindowTest, EveryButtonHasAMnemonicAndSendMailIsTheDefault) {
  auto window = Open();
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    EXPECT_TRUE(button->text().contains('&')) << button->text().toStdString();
  }
  EXPECT_TRUE(window->sendMail_->isDefault());
}

}  // namespace
}  // namespace kestrix
