#pragma once
// Recording stand-ins for the main window's controls.

#include <string>
#include <utility>
#include <vector>

#include "station/app/message_box.h"
#include "station/app/station_window.h"
#include "station/app/status_list.h"
#include "station/app/text_field.h"

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
  struct Shown {
    std::string text;
    std::string caption;
    MessageBoxButtons buttons;
  };

  MessageBoxResult Show(const std::string& text, const std::string& caption,
                        MessageBoxButtons buttons) override {
    shown.push_back({text, caption, buttons});
    return answer;
  }
  void Beep() override { ++beeps; }

  std::vector<Shown> shown;
  MessageBoxResult answer = MessageBoxResult::kOk;
  int beeps = 0;
};

class FakeStationWindow final : public StationWindow {
 public:
  StatusList& EventList() override { return eventList; }
  TextField& ClockField() override { return clock; }
  MessageBox& MessageBoxes() override { return messageBox; }

  RecordingStatusList eventList;
  RecordingTextField clock;
  RecordingMessageBox messageBox;
};

}  // namespace kestrix::testing
