#pragma once
// One edit field of a window (the clock, "CountDown", the status fields) as
// the logic uses it. Window thread only.

#include <string>

namespace kestrix {

class TextField {
 public:
  virtual ~TextField() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
};

}  // namespace kestrix
