#pragma once
// The "Recipient Email Address . . ." items: which recipient address the
// mail server accepts. "OTHER@" carries a custom address as its own text.
// Window thread.

#include <string>

#include "common/event_log.h"
#include "station/config/menu_controls.h"
#include "station/config/station_settings.h"

namespace kestrix {

class RecipientMenu {
 public:
  RecipientMenu(StationSettings& settings, EventLog& log, MenuControls& menus);

  void OnQerv();
  void OnAutostart();
  // Takes the address from the "OTHER@" item's text.
  void OnOther();
  // Puts `address` in force through the item that fits it: "QERV@" when it
  // holds "QERV", "AUTOSTART@" when it holds "AUTOSTART", else "OTHER@"
  // renamed to the address. Used at start-up and by the restore.
  void ApplyAddress(const std::string& address);

 private:
  void Choose(int id, const std::string& address, const std::string& logged);

  StationSettings& settings_;
  EventLog& log_;
  MenuControls& menus_;
};

}  // namespace kestrix
