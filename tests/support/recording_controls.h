#pragma once
// Recording stand-ins for the station window's own controls, and the
// station window made of recording controls.

#include <string>
#include <vector>

#include "station/app/station_window.h"
#include "station/queue/file_chooser.h"
#include "tests/common_support/recording_controls.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_text_pane.h"

namespace kestrix::testing {

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
  void AddRow(const ChatUserRow& row) override { rows.push_back(row); }
  bool DeleteRowWithPid(const std::string& pid) override {
    for (auto it = rows.begin(); it != rows.end(); ++it) {
      if (it->pid == pid) {
        rows.erase(it);
        if (selected >= static_cast<int>(rows.size())) {
          selected = -1;
        }
        return true;
      }
    }
    return false;
  }
  std::optional<ChatUserRow> FirstSelectedRow() const override {
    if (selected < 0 || selected >= static_cast<int>(rows.size())) {
      return std::nullopt;
    }
    return rows[static_cast<std::size_t>(selected)];
  }
  void EnableKill(bool enabled) override { killEnabled = enabled; }

  bool disabled = false;
  std::vector<ChatUserRow> rows;
  int selected = -1;
  bool killEnabled = false;
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
