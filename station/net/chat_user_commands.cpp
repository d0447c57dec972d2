#include "station/net/chat_user_commands.h"

#include <charconv>

namespace kestrix {

void ChatUserCommands::OnKill() {
  const std::optional<ChatUserRow> row = users_.FirstSelectedRow();
  const std::string name = row ? row->name : std::string();
  int pid = 0;
  if (row) {
    std::from_chars(row->pid.data(), row->pid.data() + row->pid.size(), pid);
  }
  if (pid != 0) {
    endSession_(pid);
    users_.DeleteRowWithPid(row->pid);
    log_.LogEvent("Deleted Chat user " + name);
  } else {
    log_.LogEvent("Failed to delete chat user " + name);
  }
  users_.EnableKill(false);
}

void ChatUserCommands::OnListClick() {
  users_.EnableKill(users_.FirstSelectedRow().has_value());
}

void ChatUserCommands::OnListRightClick() {
  users_.EnableKill(false);
}

}  // namespace kestrix
