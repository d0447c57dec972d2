// The main window's menu bar: every item by its command id, forwarded to
// the station's logic. Items that show a setting are checkable; their
// marks are set by the logic alone.

#include <QMenuBar>

#include "station/app/main_window.h"
#include "station/config/menu_ids.h"

namespace kestrix {

namespace {

struct Item {
  const char* text;
  int id;
};

}  // namespace

void CKestrixDlg::BuildMenus() {
  StationCommands& st = *commands_;
  auto add = [this](QMenu* menu, const QString& text, int id, std::function<void()> run,
                    bool checkable = false) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setCheckable(checkable);
    // Qt flips a checkable item before it reports the click; the handler
    // decides the mark, so the flip is undone first.
    connect(action, &QAction::triggered, this, [action, run = std::move(run)](bool checked) {
      if (action->isCheckable()) {
        action->setChecked(!checked);
      }
      run();
    });
    menus_.Register(id, action);
  };
  auto setting = [&](QMenu* menu, const QString& text, int id) {
    add(
        menu, text, id, [&st, id] { st.settingMenus.OnCommand(id); }, true);
  };
  auto settingGroup = [&](QMenu* menu, std::initializer_list<Item> items) {
    for (const Item& item : items) {
      setting(menu, item.text, item.id);
    }
  };

  QMenu* file = menuBar()->addMenu("File  ");
  add(file, "Add File", menu::kAddFile, [&st] { st.queueCommands.AddFileToQueue(); });
  add(file, "Move Selected Items to Top of Queue", menu::kMoveSelectedToTop,
      [&st] { st.queueCommands.MoveSelectedToTop(); });
  add(file, "Send Selected  File", menu::kSendSelectedFile,
      [&st] { st.cycle.OnManagequeueSendnextfile(); });
  add(file, "Add Multiple Files from Anywhere . . .", menu::kAddMultipleFiles,
      [this] { AddMultipleFiles(); });
  add(file, "Remove Selected Items", menu::kRemoveSelected,
      [&st] { st.queueCommands.RemoveSelected(); });
  add(file, "Clear Entire Queue", menu::kClearQueue, [&st] { st.queueCommands.ClearQueue(); });
  add(file, "Reload Queue", menu::kReloadQueue, [&st] { st.queueCommands.OnReload(); });
  add(file, "Launch Editor", menu::kLaunchEditor, [this] { dialogs_->ShowScheduleEditor(); });
  file->addSeparator();
  add(file, "Save Configuration in Kestrix.CFG", menu::kSaveConfiguration,
      [&st] { st.configuration.SaveConfiguration(); });
  add(file, "Restore Configuration from Kestrix.CFG ", menu::kRestoreConfiguration,
      [&st] { st.station.RestoreConfigurationWhileRunning(); });

  QMenu* edit = menuBar()->addMenu("Edit");
  add(edit, "Kestrix Editor", menu::kKestrixEditor, [this] { dialogs_->ShowScheduleEditor(); });
  add(edit, "Schedule.lst", menu::kEditSchedule, [&st] { st.editor.EditSchedule(); });
  add(edit, "Schedule_temp.lst", menu::kEditScheduleTemp, [&st] { st.editor.EditScheduleTemp(); });
  add(edit, "Initialization File", menu::kEditInitializationFile,
      [&st] { st.editor.EditInitializationFile(); });

  QMenu* control = menuBar()->addMenu("Control");
  setting(control, "Diddle", menu::kDiddle);
  setting(control, "Header", menu::kHeader);
  add(
      control, "Auto CW ID TImer", menu::kAutoCwIdTimer, [&st] { st.cwId.OnAutoCwIdTimer(); },
      true);
  add(control, "Send CW ID Now", menu::kSendCwIdNow, [&st] { st.cwId.OnSendCwIdNow(); });
  setting(control, "Autostart", menu::kAutostart);
  setting(control, "No Timer", menu::kNoTimer);
  QMenu* recipient = control->addMenu("Recipient Email Address . . .");
  settingGroup(recipient, {{"QERV@", menu::kRecipientQerv},
                           {"AUTOSTART@", menu::kRecipientAutostart},
                           {"OTHER@", menu::kRecipientOther}});
  setting(control, "Internet Link", menu::kInternetLink);

  settingGroup(menuBar()->addMenu("Mode"), {{"Military (ITA#2 USA)", menu::kModeMilitary},
                                            {"ITA#2 (British-French)", menu::kModeIta2},
                                            {"TELEX", menu::kModeTelex},
                                            {"ASCII", menu::kModeAscii},
                                            {"PSK31", menu::kModePsk31},
                                            {"CW", menu::kModeCw}});

  QMenu* ports = menuBar()->addMenu("ComPort");
  setting(ports, "Disabled", menu::kPortDisabled);
  for (int id = menu::kPortCom1; id <= menu::kPortCom8; ++id) {
    setting(ports, QString("COM%1").arg(id - menu::kPortCom1 + 1), id);
  }

  QMenu* rates = menuBar()->addMenu("BAUD_Rate");
  for (int id = menu::kRateFirst; id <= menu::kRateLast; ++id) {
    setting(rates, QString::number(static_cast<double>(SerialMenus::RateOf(id)), 'g', 6), id);
  }

  settingGroup(menuBar()->addMenu("TU_Setup"), {{"Disabled", menu::kTxLineFirst},
                                                {"RTS Xmit", menu::kTxLineFirst + 1},
                                                {"DTR Xmit", menu::kTxLineFirst + 2},
                                                {"RTS Xmit / DTR CWID", menu::kTxLineFirst + 3},
                                                {"DTR Xmit / RTS CWID", menu::kTxLineFirst + 4}});
  settingGroup(menuBar()->addMenu("Dovetron"),
               {{"Computer source (default DTR off)", menu::kDovetronComputer},
                {"Teletype source", menu::kDovetronTeletype}});

  QMenu* sound = menuBar()->addMenu("SoundCard");
  add(sound, "Setup", menu::kSoundSetup, [this] { dialogs_->ShowSoundCardSetup(); });
  add(sound, "NOTE: Sound card disables RS-232 data transmission", menu::kSoundNote, [] {});
  settingGroup(sound, {{"No Sound (use RS-232 for data)", menu::kSoundNone},
                       {"Auto Mode", menu::kSoundAuto},
                       {"Card 1", menu::kSoundCard1},
                       {"Card 2", menu::kSoundCard2},
                       {"Card 3", menu::kSoundCard3},
                       {"Card 4", menu::kSoundCard4}});

  QMenu* test = menuBar()->addMenu("Test");
  add(test, "Send CWID", menu::kSendCwid, [&st] { st.cwId.OnSendCwid(); });
  add(test, "Send RYRYRY", menu::kSendRyry, [&st] { st.cycle.SendTestPattern("RYRYRYRY.txt"); });
  add(test, "Send QuickBrownFox", menu::kSendQuickBrownFox,
      [&st] { st.cycle.SendTestPattern("thefox.txt"); });
  add(test, "View Log", menu::kViewLog, [&st] { st.editor.ViewLog(); });
  add(
      test, "Send Break Signal", menu::kSendBreakSignal,
      [&st] { st.transmitter.ToggleBreakSignal(); }, true);

  // Linux window managers keep no system menu of the program's own; its
  // two items go in a menu of their own.
  QMenu* system = menuBar()->addMenu("Kestrix");
  add(system, "&About Kestrix...", menu::kAboutBox, [this] { ShowAbout(); });
  add(system, "Schedule Editor", menu::kSystemScheduleEditor,
      [this] { dialogs_->ShowScheduleEditor(); });

  QAction* help = menuBar()->addAction("Help");  // an item of the bar itself, without action
  help->setData(menu::kHelp);
  menus_.Register(menu::kHelp, help);

  // The marks of the menus as loaded, before any handler runs.
  for (int id : {menu::kNoTimer, menu::kPortDisabled, menu::kDovetronComputer, menu::kSoundNone}) {
    menus_.SetItemChecked(id, true);
  }
}

}  // namespace kestrix
