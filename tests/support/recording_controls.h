#pragma once
// Recording stand-ins for the main window's controls.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/message_box.h"
#include "common/status_list.h"
#include "common/text_field.h"
#include "station/app/station_window.h"
#include "station/queue/file_chooser.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_text_pane.h"

namespace kestrix::testing {

class RecordingStatusList final : public StatusList {
 public:
  void AddLine(const std::string& line) override { lines.push_back(line); }
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void DeleteLine(int index) override { lines.erase(lines.begin() + index); }
  void SelectLine(int index) override { selected = index; }

  std::vector<std::string> lines;
  int selected = -1;
};

class RecordingTextField final : public TextField {
 public:
  void SetText(const std::string& text) override {
    value = text;
    history.push_back(text);
  }
  std::string Text() const override { return value; }

  std::string value;
  std::vector<std::string> history;
};

class RecordingMessageBox final : public MessageBox {
 public:
  enum class Kind { kNotice, kFatal, kQuestion };
  struct Shown {
    std::string text;
    std::string caption;
    MessageBoxIcon icon;
    Kind kind;
  };

  void Show(const std::string& text, const std::string& caption, MessageBoxIcon icon) override {
    shown.push_back({text, caption, icon, Kind::kNotice});
  }
  void ShowAndWait(const std::string& text, const std::string& caption,
                   MessageBoxIcon icon) override {
    shown.push_back({text, caption, icon, Kind::kFatal});
    if (whileFatalShown) {
      whileFatalShown();
    }
  }
  // Answered at once with `answerYes`.
  void Ask(const std::string& text, const std::string& caption, MessageBoxIcon icon,
           Answer answered) override {
    shown.push_back({text, caption, icon, Kind::kQuestion});
    answered(answerYes);
  }
  void Beep() override { ++beeps; }

  std::vector<Shown> shown;
  // Runs while a fatal box is up: what the station does while it waits.
  std::function<void()> whileFatalShown;
  bool answerYes = true;
  int beeps = 0;
};

class RecordingFileChooser final : public FileChooser {
 public:
  void SetItems(const std::vector<std::string>& newItems) override { items = newItems; }
  std::string EditText() const override { return edit; }
  void SetEditText(const std::string& text) override { edit = text; }
  std::vector<std::string> items;
  std::string edit;
};

class RecordingChatUserList final : public ChatUserList {
 public:
  void ShowChatDisabled() override { disabled = true; }
  bool disabled = false;
};

class FakeStationWindow final : public StationWindow {
 public:
  StatusList& EventList() override { return eventList; }
  TextField& ClockField() override { return clock; }
  MessageBox& MessageBoxes() override { return messageBox; }
  MenuControls& Menus() override { return menus; }
  TextField& TransmitStatus() override { return transmitStatus; }
  TextField& CwIdCountdown() override { return cwId; }
  TextField& ScheduleStatus() override { return scheduleStatus; }
  TextField& FlowStatus() override { return flowStatus; }
  TextField& CountDown() override { return countDown; }
  TextField& CharactersLeft() override { return charactersLeft; }
  TextField& FileNameLine() override { return fileName; }
  TextField& WindowTitle() override { return title; }
  ChatUserList& ChatUsers() override { return chatUsers; }
  TextPane& TransmittedText() override { return textPane; }
  FileChooser& Chooser() override { return chooser; }

  RecordingStatusList eventList;
  RecordingMenuControls menus;
  RecordingTextField transmitStatus;
  RecordingTextField cwId;
  RecordingTextField scheduleStatus, flowStatus, countDown, charactersLeft, fileName;
  RecordingTextPane textPane;
  RecordingFileChooser chooser;
  RecordingTextField clock;
  RecordingTextField title;
  RecordingChatUserList chatUsers;
  RecordingMessageBox messageBox;
};

}  // namespace kestrix::testing
