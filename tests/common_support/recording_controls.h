#pragma once
// Recording stand-ins for the generic controls: a status list, a text field
// and message boxes.

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/message_box.h"
#include "common/status_list.h"
#include "common/text_field.h"

namespace kestrix::testing {

class RecordingStatusList final : public StatusList {
 public:
  void AddLine(const std::string& line) override { lines.push_back(line); }
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void DeleteLine(int index) override { lines.erase(lines.begin() + index); }
  void SelectLine(int index) override { selected = index; }

  // The lines without their "hh:mm:ss > " time.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
      const bool timed = line.size() >= 11 && line.compare(8, 3, " > ") == 0;
      texts.push_back(timed ? line.substr(11) : line);
    }
    return texts;
  }
  bool Has(const std::string& text) const {
    const auto texts = Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

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

}  // namespace kestrix::testing
