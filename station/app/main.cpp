// kestrix: the unattended RTTY broadcast station.

#include <QApplication>
#include <cstdlib>

#include "station/app/main_window.h"
#include "station/app/qt_event_loop.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kestrix::QtEventLoop loop;
  // The log file is closed after every line, so nothing is lost by ending
  // at once from inside a handler.
  kestrix::CKestrixDlg window(loop, [](int status) { std::_Exit(status); });
  window.show();
  window.GetStation().Start();
  const int status = QApplication::exec();
  loop.Shutdown();
  return status;
}
