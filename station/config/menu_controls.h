#pragma once
// The main window's menu marks and graying as the logic uses them. Window
// thread only.

#include <string>

namespace kestrix {

class MenuControls {
 public:
  virtual ~MenuControls() = default;

  // Removes the check mark from every item first..last, then checks `id`.
  virtual void SetMenuCheck(int first, int last, int id) = 0;
  // Grays every item first..last, or enables them again (grayed false).
  virtual void SetMenuRangeGrayed(int first, int last, bool grayed) = 0;
  // One item's own mark, for toggles.
  virtual void SetItemChecked(int id, bool checked) = 0;
  virtual bool IsItemChecked(int id) const = 0;
  virtual bool IsItemEnabled(int id) const = 0;
  // An item's text, for the one item that shows a setting ("OTHER@").
  virtual void SetItemText(int id, const std::string& text) = 0;
  virtual std::string ItemText(int id) const = 0;
};

}  // namespace kestrix
