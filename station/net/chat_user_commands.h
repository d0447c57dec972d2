#pragma once
// The operator's hand on the chat: Kill drops the user chosen in the chat
// user list; the list's clicks enable and disable Kill. Window thread.

#include <functional>

#include "common/event_log.h"
#include "station/app/chat_user_list.h"

namespace kestrix {

class ChatUserCommands {
 public:
  // `endSession` ends the session on a socket number; false when none.
  ChatUserCommands(ChatUserList& users, EventLog& log, std::function<bool(int)> endSession)
      : users_(users), log_(log), endSession_(std::move(endSession)) {}

  void OnKill();
  void OnListClick();
  void OnListRightClick();

 private:
  ChatUserList& users_;
  EventLog& log_;
  std::function<bool(int)> endSession_;
};

}  // namespace kestrix
