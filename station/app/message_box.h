#pragma once
// Modal message boxes for the operator. Window thread only; the box waits
// for the operator and keeps the window's events running meanwhile.

#include <string>

namespace kestrix {

enum class MessageBoxButtons { kOk, kOkCancel, kYesNo };
enum class MessageBoxResult { kOk, kCancel, kYes, kNo };

class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual MessageBoxResult Show(const std::string& text, const std::string& caption,
                                MessageBoxButtons buttons) = 0;
  virtual void Beep() = 0;
};

}  // namespace kestrix
