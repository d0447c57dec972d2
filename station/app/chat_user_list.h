#pragma once
// The main window's list of chat users (control::kChatUsers) and its Kill
// button as the logic uses them. Window thread only.

#include <optional>
#include <string>

namespace kestrix {

struct ChatUserRow {
  std::string name;
  std::string loginTime;  // "MM/DD hh:mm:ss"
  std::string pid;        // the connection's socket number: the row's key
  std::string address;    // "ddd.ddd.ddd.ddd"
};

class ChatUserList {
 public:
  virtual ~ChatUserList() = default;
  // Grays the list and shows the one row "CHAT DISABLED".
  virtual void ShowChatDisabled() = 0;
  virtual void AddRow(const ChatUserRow& row) = 0;
  // Deletes the row whose PID column is `pid`; false when there is none.
  virtual bool DeleteRowWithPid(const std::string& pid) = 0;
  virtual std::optional<ChatUserRow> FirstSelectedRow() const = 0;
  virtual void EnableKill(bool enabled) = 0;
};

}  // namespace kestrix
