#pragma once
// A text pane that records its text and every character selected.

#include <string>
#include <vector>

#include "station/queue/text_pane.h"

namespace kestrix::testing {

class RecordingTextPane final : public TextPane {
 public:
  void SetText(const std::string& newText) override {
    text = newText;
    texts.push_back(newText);
  }
  void SelectCharacter(int index) override { selected.push_back(index); }

  std::string text;
  std::vector<std::string> texts;  // every text shown, in order
  std::vector<int> selected;
};

}  // namespace kestrix::testing
