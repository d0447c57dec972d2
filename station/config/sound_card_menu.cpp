#include "station/config/sound_card_menu.h"

#include "station/config/menu_ids.h"

namespace kestrix {

namespace {

struct SoundCardItem {
  int menuId;
  int soundCardID;
};

// "Card 4" stores 4, not 3: stored files rely on it.
constexpr SoundCardItem kItems[] = {
    {menu::kSoundNone, 99}, {menu::kSoundAuto, -1}, {menu::kSoundCard1, 0},
    {menu::kSoundCard2, 1}, {menu::kSoundCard3, 2}, {menu::kSoundCard4, 4},
};

constexpr int kFourthDevice = 3;

}  // namespace

SoundCardMenu::SoundCardMenu(StationSettings& settings, MenuControls& menus)
    : settings_(settings), menus_(menus) {}

void SoundCardMenu::SelectSoundCard(int menuId) {
  for (const auto& item : kItems) {
    if (item.menuId == menuId) {
      menus_.SetMenuCheck(menu::kSoundFirst, menu::kSoundLast, menuId);
      settings_.soundCardID = item.soundCardID;
      return;
    }
  }
}

void SoundCardMenu::ShowSoundCard() {
  const int id = settings_.soundCardID;
  bool named = false;
  for (const auto& item : kItems) {
    menus_.SetItemChecked(item.menuId, item.soundCardID == id);
    named = named || item.soundCardID == id;
  }
  // 3 opens the fourth device, which no item stores; every other number no
  // item stores has no card behind it.
  if (!named && id != kFourthDevice) {
    menus_.SetItemChecked(menu::kSoundNone, true);
  }
}

}  // namespace kestrix
