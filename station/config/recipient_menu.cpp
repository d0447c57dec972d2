#include "station/config/recipient_menu.h"

#include "station/config/menu_ids.h"

namespace kestrix {

RecipientMenu::RecipientMenu(StationSettings& settings, EventLog& log, MenuControls& menus)
    : settings_(settings), log_(log), menus_(menus) {}

void RecipientMenu::OnQerv() {
  Choose(menu::kRecipientQerv, "QERV@", "QERV");
}

void RecipientMenu::OnAutostart() {
  Choose(menu::kRecipientAutostart, "AUTOSTART@", "AUTOSTART");
}

void RecipientMenu::OnOther() {
  const std::string address = menus_.ItemText(menu::kRecipientOther).substr(0, kEmailAddressSize);
  Choose(menu::kRecipientOther, address, address);
}

void RecipientMenu::ApplyAddress(const std::string& address) {
  if (address.find("QERV") != std::string::npos) {
    OnQerv();
  } else if (address.find("AUTOSTART") != std::string::npos) {
    OnAutostart();
  } else {
    menus_.SetItemText(menu::kRecipientOther, address);
    OnOther();
  }
}

void RecipientMenu::Choose(int id, const std::string& address, const std::string& logged) {
  settings_.QERVEmailAddress = address;
  log_.LogEvent("QERVEmailAddress overridden and changed to \"" + logged + "\"");
  menus_.SetMenuCheck(menu::kRecipientQerv, menu::kRecipientOther, id);
}

}  // namespace kestrix
