#pragma once
// The event-log list of the main window as the logic uses it. Window thread
// only.

#include <string>

namespace kestrix {

class StatusList {
 public:
  virtual ~StatusList() = default;
  virtual void AddLine(const std::string& line) = 0;
  virtual int LineCount() const = 0;
  virtual void DeleteLine(int index) = 0;
  // Selects a line and scrolls it into view.
  virtual void SelectLine(int index) = 0;
};

}  // namespace kestrix
