#pragma once
// Message boxes for the operator, on the window thread. A box never holds
// what goes on the air: notices and questions return at once and stay on
// screen until the operator closes them; only a fatal error, after which
// the process ends, waits for its OK.

#include <functional>
#include <string>

namespace kestrix {

enum class MessageBoxIcon { kNone, kInformation, kQuestion, kWarning, kStop };

class MessageBox {
 public:
  using Answer = std::function<void(bool yes)>;

  virtual ~MessageBox() = default;
  // A notice with an OK button; returns at once.
  virtual void Show(const std::string& text, const std::string& caption, MessageBoxIcon icon) = 0;
  // A fatal error: returns when the operator has pressed OK. The window's
  // events keep running meanwhile.
  virtual void ShowAndWait(const std::string& text, const std::string& caption,
                           MessageBoxIcon icon) = 0;
  // A Yes/No question; returns at once. `answered` runs on the window
  // thread when the operator answers.
  virtual void Ask(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                   Answer answered) = 0;
  virtual void Beep() = 0;
};

}  // namespace kestrix
