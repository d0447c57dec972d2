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

  virtual StatusList& EventList() = 0;      // control::kEventList
  virtual TextField& ClockField() = 0;      // the clock display
  virtual MessageBox& MessageBoxes() = 0;   // message boxes and the beep
  virtual MenuControls& Menus() = 0;        // check marks and graying
  virtual TextField& TransmitStatus() = 0;  // control::kTransmitStatus, "Transmit"
  virtual TextField& CwIdCountdown() = 0;   // control::kCwIdCountdown, "CWId"
  virtual TextField& ScheduleStatus() = 0;  // control::kScheduleStatus
  virtual TextField& FlowStatus() = 0;      // control::kFlowStatus
  virtual TextField& CountDown() = 0;       // control::kCountDown, "CountDown"
  virtual TextField& CharactersLeft() = 0;  // control::kCharactersLeft, "SendQueue"
  virtual TextField& FileNameLine() = 0;    // control::kFileNameLine
  virtual TextField& WindowTitle() = 0;
  virtual TextPane& TransmittedText() = 0;  // control::kTransmittedText
  virtual FileChooser& Chooser() = 0;       // control::kFileChooser
  virtual ChatUserList& ChatUsers() = 0;    // control::kChatUsers
};

}  // namespace kestrix
