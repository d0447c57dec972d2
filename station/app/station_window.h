#pragma once
// The main window's controls as the station logic knows them. Each later
// control is added here as one more accessor; the logic never sees a widget.

#include "common/message_box.h"
#include "common/status_list.h"
#include "common/text_field.h"
#include "station/app/chat_user_list.h"
#include "station/config/menu_controls.h"
#include "station/queue/file_chooser.h"
#include "station/queue/text_pane.h"

namespace kestrix {

class StationWindow {
 public:
  virtual ~StationWindow() = default;

  virtual StatusList& EventList() = 0;      // 1121
  virtual TextField& ClockField() = 0;      // the clock display
  virtual MessageBox& MessageBoxes() = 0;   // message boxes and the beep
  virtual MenuControls& Menus() = 0;        // check marks and graying
  virtual TextField& TransmitStatus() = 0;  // 1041, "Transmit"
  virtual TextField& CwIdCountdown() = 0;   // 1091, "CWId"
  virtual TextField& ScheduleStatus() = 0;  // 1038
  virtual TextField& FlowStatus() = 0;      // 1042
  virtual TextField& CountDown() = 0;       // 1004, "CountDown"
  virtual TextField& CharactersLeft() = 0;  // 1003, "SendQueue"
  virtual TextField& FileNameLine() = 0;    // 1031
  virtual TextField& WindowTitle() = 0;
  virtual TextPane& TransmittedText() = 0;  // 1047
  virtual FileChooser& Chooser() = 0;       // 1060
  virtual ChatUserList& ChatUsers() = 0;    // 1124
};

}  // namespace kestrix
