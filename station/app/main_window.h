#pragma once
// The station's main window: it lays out the controls, lends them to the
// station logic through StationWindow, and owns the Station.

#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <memory>

#include "station/app/qt_controls.h"
#include "station/app/station.h"
#include "station/app/station_window.h"

namespace kestrix {

class CKestrixDlg final : public QMainWindow, public StationWindow {
 public:
  // Control ids kept as the "controlId" property of each widget.
  static constexpr int kEventListId = 1121;

  CKestrixDlg(EventLoop& loop, WindowClock::EndProcess endProcess);
  ~CKestrixDlg() override;

  Station& GetStation() { return *station_; }

  StatusList& EventList() override { return statusList_; }
  TextField& ClockField() override { return clockField_; }
  MessageBox& MessageBoxes() override { return messageBox_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildClockRow();
  QWidget* BuildEventList();

  QLineEdit* clockEdit_;
  QListWidget* eventList_;
  QtStatusList statusList_;
  QtTextField clockField_;
  QtMessageBox messageBox_;
  std::unique_ptr<Station> station_;
  bool shutDown_ = false;
};

}  // namespace kestrix
