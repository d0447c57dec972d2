#pragma once
// The main window's list of chat users (control::kChatUsers) as the logic uses it.
// Window thread only.

namespace kestrix {

class ChatUserList {
 public:
  virtual ~ChatUserList() = default;
  // Grays the list and shows the one row "CHAT DISABLED".
  virtual void ShowChatDisabled() = 0;
};

}  // namespace kestrix
