#include "station/app/main_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrix {

CKestrixDlg::CKestrixDlg(EventLoop& loop, WindowClock::EndProcess endProcess)
    : clockEdit_(new QLineEdit),
      eventList_(new QListWidget),
      statusList_(*eventList_),
      clockField_(*clockEdit_),
      messageBox_(*this) {
  setWindowTitle("kestrix ");
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildClockRow());
  layout->addWidget(BuildEventList(), 1);
  setCentralWidget(central);
  resize(900, 600);
  station_ = std::make_unique<Station>(loop, *this, std::move(endProcess));
}

CKestrixDlg::~CKestrixDlg() = default;

QWidget* CKestrixDlg::BuildClockRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  clockEdit_->setObjectName("clock");
  clockEdit_->setReadOnly(true);
  clockEdit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  clockEdit_->setMinimumWidth(clockEdit_->fontMetrics().horizontalAdvance(QString(26, 'W')));
  layout->addWidget(clockEdit_);
  layout->addStretch(1);
  return row;
}

QWidget* CKestrixDlg::BuildEventList() {
  eventList_->setObjectName("eventList");
  eventList_->setProperty("controlId", kEventListId);
  eventList_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return eventList_;
}

void CKestrixDlg::closeEvent(QCloseEvent* event) {
  if (!shutDown_) {
    shutDown_ = true;
    station_->Shutdown();
  }
  event->accept();
}

}  // namespace kestrix
