#pragma once
// Starts outside programs without waiting for them: the operator's text
// editor on a file.

#include <string>

namespace kestrix {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Opens `path` in the operator's editor, trying the editors in turn.
  // False when none could be started.
  virtual bool OpenInEditor(const std::string& path) = 0;
};

}  // namespace kestrix
