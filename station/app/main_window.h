#pragma once
// The station's main window: it lays out the controls, lends them to the
// station logic through StationWindow, forwards buttons and menus to the
// logic, and owns the Station.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <memory>

#include "station/app/about_window.h"
#include "station/app/qt_controls.h"
#include "station/app/station.h"
#include "station/app/station_dialogs.h"
#include "station/app/station_window.h"

namespace kestrix {

class CKestrixDlg final : public QMainWindow, public StationWindow {
 public:
  CKestrixDlg(EventLoop& loop, StationDevices devices, WindowClock::EndProcess endProcess);
  ~CKestrixDlg() override;

  Station& GetStation() { return *station_; }

  StatusList& EventList() override { return statusList_; }
  TextField& ClockField() override { return clockField_; }
  MessageBox& MessageBoxes() override { return messageBox_; }
  MenuControls& Menus() override { return menus_; }
  TextField& TransmitStatus() override { return transmitStatusField_; }
  TextField& CwIdCountdown() override { return cwIdField_; }
  TextField& ScheduleStatus() override { return scheduleField_; }
  TextField& FlowStatus() override { return flowField_; }
  TextField& CountDown() override { return countDownField_; }
  TextField& CharactersLeft() override { return charactersLeftField_; }
  TextField& FileNameLine() override { return fileNameField_; }
  TextField& WindowTitle() override { return title_; }
  TextPane& TransmittedText() override { return textPane_; }
  FileChooser& Chooser() override { return chooser_; }
  ChatUserList& ChatUsers() override { return chatUsers_; }

  // Closes as a service manager's stop does: no question, then shutdown.
  void CloseWithoutQuestion();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QWidget* BuildChooserRow();
  QWidget* BuildFieldRow();
  QWidget* BuildChatGroup();
  QWidget* BuildControlGroups();
  QWidget* BuildTextPane();
  void BuildMenus();
  void OnQueueDoubleClick();
  void AskBeforeClosing();
  void ShowAbout();
  void AddMultipleFiles();

  std::unique_ptr<StationDialogs> dialogs_;
  QComboBox* chooserCombo_;
  QListWidget* queueList_;
  QLineEdit* clockEdit_;
  QLineEdit* charactersLeftEdit_;
  QLineEdit* countDownEdit_;
  QLineEdit* cwIdEdit_;
  QLineEdit* scheduleEdit_;
  QLineEdit* transmitEdit_;
  QLineEdit* flowEdit_;
  QLineEdit* fileNameEdit_;
  QPlainTextEdit* textEdit_;
  QListWidget* eventList_;
  QTreeWidget* chatTree_;
  QPushButton* killButton_;

  QtStatusList statusList_;
  QtTextField clockField_;
  QtTextField charactersLeftField_;
  QtTextField countDownField_;
  QtTextField cwIdField_;
  QtTextField scheduleField_;
  QtTextField transmitStatusField_;
  QtTextField flowField_;
  QtTextField fileNameField_;
  QtWindowTitle title_;
  QtChatUserList chatUsers_;
  QtTextPane textPane_;
  QtFileChooser chooser_;
  QtMessageBox messageBox_;
  QtMenuControls menus_;
  std::unique_ptr<Station> station_;
  // Everything the window calls, taken from the station once it is built.
  std::unique_ptr<StationCommands> commands_;
  std::unique_ptr<QtQueueList> queueView_;
  WindowClock::EndProcess endProcess_;
  QPointer<AboutWindow> about_;
  QPointer<QFileDialog> fileDialog_;
  bool shutDown_ = false;
  bool askBeforeClosing_ = true;
  bool closeAsked_ = false;
  bool askingNow_ = false;
  bool closeConfirmed_ = false;
};

}  // namespace kestrix
