#include "station/config/settings_menus.h"

#include "station/config/menu_ids.h"

namespace kestrix {

SettingsMenus::SettingsMenus(StationSettings& settings, MenuControls& menus, ModeSelector& modes,
                             SerialMenus& serial, SoundCardMenu& soundCards,
                             RecipientMenu& recipients)
    : settings_(settings),
      menus_(menus),
      modes_(modes),
      serial_(serial),
      soundCards_(soundCards),
      recipients_(recipients) {}

bool SettingsMenus::OnCommand(int id) {
  auto within = [id](int first, int last) { return id >= first && id <= last; };
  switch (id) {
    case menu::kDiddle:
      Toggle(settings_.diddleEnable, id);
      return true;
    case menu::kHeader:
      Toggle(settings_.headerEnable, id);
      return true;
    case menu::kAutostart:
      Toggle(settings_.QERVAutoStart, id);
      return true;
    case menu::kNoTimer:
      Toggle(settings_.checkNoTimer, id);
      return true;
    case menu::kInternetLink:
      Toggle(internetLink_, id);
      return true;
    case menu::kRecipientQerv:
      recipients_.OnQerv();
      return true;
    case menu::kRecipientAutostart:
      recipients_.OnAutostart();
      return true;
    case menu::kRecipientOther:
      recipients_.OnOther();
      return true;
    default:
      break;
  }
  if (within(menu::kModeFirst, menu::kModeLast)) {
    modes_.SelectMode(id);
  } else if (within(menu::kDovetronComputer, menu::kDovetronTeletype)) {
    modes_.SelectKeyingSource(id);
  } else if (within(menu::kPortDisabled, menu::kPortCom8)) {
    serial_.SelectPort(id);
  } else if (within(menu::kRateFirst, menu::kRateLast)) {
    serial_.SelectRate(id);
  } else if (within(menu::kTxLineFirst, menu::kTxLineLast)) {
    serial_.SelectTxLine(id);
  } else if (within(menu::kSoundFirst, menu::kSoundLast)) {
    soundCards_.SelectSoundCard(id);
  } else {
    return false;
  }
  return true;
}

void SettingsMenus::Toggle(std::atomic<int>& flag, int id) {
  const bool on = flag != 1;
  flag = on ? 1 : 0;
  menus_.SetItemChecked(id, on);
}

void SettingsMenus::ShowToggleMarks() {
  menus_.SetItemChecked(menu::kDiddle, settings_.diddleEnable != 0);
  menus_.SetItemChecked(menu::kHeader, settings_.headerEnable != 0);
  menus_.SetItemChecked(menu::kAutoCwIdTimer, settings_.cwTimerCheck != 0);
  menus_.SetItemChecked(menu::kAutostart, settings_.QERVAutoStart != 0);
  menus_.SetItemChecked(menu::kNoTimer, settings_.checkNoTimer != 0);
}

void SettingsMenus::ShowSettingMarks() {
  ShowToggleMarks();
  modes_.ShowMode();
  serial_.ShowRate();
  menus_.SetMenuCheck(menu::kTxLineFirst, menu::kTxLineLast, settings_.TxLine);
  soundCards_.ShowSoundCard();
}

}  // namespace kestrix
