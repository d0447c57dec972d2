#pragma once
// Where the transmit cycle hands a "$" queue entry, and how it starts the
// CW identification. The script commands and the identification plug in
// here.

#include <string>

namespace kestrix {

class ScriptCommandRunner {
 public:
  virtual ~ScriptCommandRunner() = default;
  // `text` is the entry's name without its "$".
  virtual void RunScriptCommand(const std::string& text) = 0;
};

class CwIdentification {
 public:
  virtual ~CwIdentification() = default;
  virtual void Cwid() = 0;
};

// The identification's menu items.
class CwIdCommands {
 public:
  virtual ~CwIdCommands() = default;
  virtual void OnSendCwid() = 0;       // Test, "Send CWID"
  virtual void OnSendCwIdNow() = 0;    // Control, "Send CW ID Now"
  virtual void OnAutoCwIdTimer() = 0;  // Control, "Auto CW ID TImer"
};

}  // namespace kestrix
