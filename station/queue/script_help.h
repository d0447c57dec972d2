#pragma once
// The script commands as the operator writes them, with a line of help
// each: offered in the file chooser and printed in the help listing.

#include <array>
#include <string>

namespace kestrix {

class ScriptHelp {
 public:
  static constexpr int kLines = 54;
  static constexpr int kChooserLines = 34;
  static constexpr int kCwIdLine = 12;  // filled in with the identification text

  ScriptHelp();
  const std::string& Line(int index) const { return lines_.at(index); }
  // "$CWID     // <text>".
  void SetCwIdText(const std::string& text);

 private:
  std::array<std::string, kLines> lines_;
};

}  // namespace kestrix
