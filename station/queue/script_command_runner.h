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

}  // namespace kestrix
