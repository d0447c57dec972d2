#pragma once
// The main window's controls as the station logic knows them. Each later
// control is added here as one more accessor; the logic never sees a widget.

#include "station/app/message_box.h"
#include "station/app/status_list.h"
#include "station/app/text_field.h"

namespace kestrix {

class StationWindow {
 public:
  virtual ~StationWindow() = default;

  virtual StatusList& EventList() = 0;     // 1121
  virtual TextField& ClockField() = 0;     // the clock display
  virtual MessageBox& MessageBoxes() = 0;  // modal boxes and the beep
};

}  // namespace kestrix
