#pragma once
// The main window's text pane (control::kTransmittedText) as file transmission uses it: the text
// of the file shown, with the character being sent selected. Window thread.

#include <string>

namespace kestrix {

class TextPane {
 public:
  virtual ~TextPane() = default;
  virtual void SetText(const std::string& text) = 0;
  // Selects the one character at `index` and scrolls it into view.
  virtual void SelectCharacter(int index) = 0;
};

}  // namespace kestrix
