// quillon: mails text files to the station's SMTP server, at once or metered.

#include <QApplication>
#include <QLocale>
#include <clocale>

#include "common/qt_event_loop.h"
#include "mailer/quillon_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Numbers in the settings and on the wire keep "." whatever the language.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  kestrix::QtEventLoop loop;
  int status = 0;
  {
    kestrix::QuillonWindow window(loop);
    window.show();
    status = QApplication::exec();
  }
  loop.Shutdown();
  return status;
}
