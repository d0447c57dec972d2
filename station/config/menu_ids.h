#pragma once
// Command ids of the main window's menus. Settings that are a choice among
// menu items hold the item's id (TxLine, for one).

namespace kestrix::menu {

// File
constexpr int kReloadQueue = 32769;
constexpr int kSendSelectedFile = 32770;
constexpr int kAddFile = 32771;
constexpr int kAddMultipleFiles = 32772;
constexpr int kRemoveSelected = 32773;
constexpr int kClearQueue = 32774;
constexpr int kLaunchEditor = 32779;
constexpr int kMoveSelectedToTop = 32825;
constexpr int kSaveConfiguration = 32834;
constexpr int kRestoreConfiguration = 32839;
// Edit
constexpr int kKestrixEditor = 32826;
constexpr int kEditSchedule = 32827;
constexpr int kEditScheduleTemp = 32828;
constexpr int kEditInitializationFile = 32829;
// Control
constexpr int kDiddle = 32794;
constexpr int kHeader = 32795;
constexpr int kAutostart = 32796;
constexpr int kNoTimer = 32820;
constexpr int kAutoCwIdTimer = 32830;
constexpr int kSendCwIdNow = 32831;
constexpr int kInternetLink = 32833;
constexpr int kRecipientQerv = 32835;
constexpr int kRecipientAutostart = 32836;
constexpr int kRecipientOther = 32837;
// Mode (a radio group, in this order)
constexpr int kModeMilitary = 32787;
constexpr int kModeIta2 = 32788;
constexpr int kModeTelex = 32789;
constexpr int kModeAscii = 32790;
constexpr int kModePsk31 = 32791;
constexpr int kModeCw = 32792;
constexpr int kModeFirst = kModeMilitary;
constexpr int kModeLast = kModeCw;
// ComPort: "Disabled", then COM1..COM8
constexpr int kPortDisabled = 32797;
constexpr int kPortCom1 = 32798;
constexpr int kPortCom8 = 32805;
// BAUD_Rate 45.45 .. 56000
constexpr int kRateFirst = 32865;
constexpr int kRateLast = 32879;
// TU_Setup: the TxLine values
constexpr int kTxLineFirst = 32806;
constexpr int kTxLineLast = 32810;
// Dovetron keying source
constexpr int kDovetronComputer = 32818;
constexpr int kDovetronTeletype = 32819;
// SoundCard
constexpr int kSoundSetup = 32832;
constexpr int kSoundNote = 32840;
constexpr int kSoundNone = 32811;
constexpr int kSoundAuto = 32812;
constexpr int kSoundCard1 = 32813;
constexpr int kSoundCard2 = 32814;
constexpr int kSoundCard3 = 32815;
constexpr int kSoundCard4 = 32816;
constexpr int kSoundFirst = kSoundNone;
constexpr int kSoundLast = kSoundCard4;
// Test
constexpr int kSendCwid = 32775;
constexpr int kSendRyry = 32776;
constexpr int kSendQuickBrownFox = 32777;
constexpr int kViewLog = 32778;
constexpr int kSendBreakSignal = 32824;
// Help
constexpr int kHelp = 32817;
// System menu
constexpr int kAboutBox = 16;
constexpr int kSystemScheduleEditor = 32;

}  // namespace kestrix::menu
