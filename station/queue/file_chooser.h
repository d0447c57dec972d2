#pragma once
// The main window's file chooser (control::kFileChooser): a drop-down list with an edit
// field. Window thread.

#include <string>
#include <vector>

namespace kestrix {

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  virtual void SetItems(const std::vector<std::string>& items) = 0;
  virtual std::string EditText() const = 0;
  virtual void SetEditText(const std::string& text) = 0;
};

}  // namespace kestrix
