#pragma once
// The work of every one-second clock tick: the clock display now; the
// transmit cycle and automatic start join it as the queue grows.

#include <string>

#include "common/event_loop.h"
#include "common/text_field.h"

namespace kestrix {

class ClockTick {
 public:
  ClockTick(EventLoop& loop, TextField& clockField);

  void Run();

  // The standard 24-character time text, "Tue May 12 12:35:07 2001".
  static std::string ClockText(const std::tm& local);

 private:
  EventLoop& loop_;
  TextField& clockField_;
};

}  // namespace kestrix
