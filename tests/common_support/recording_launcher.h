#pragma once
// A launcher that starts nothing and records what it was asked to open.

#include <string>
#include <vector>

#include "common/launcher.h"

namespace kestrix::testing {

class RecordingLauncher final : public Launcher {
 public:
  bool OpenInEditor(const std::string& path) override {
    opened.push_back(path);
    return editorStarts;
  }

  std::vector<std::string> opened;
  bool editorStarts = true;  // false: as if no editor could be started
};

}  // namespace kestrix::testing
