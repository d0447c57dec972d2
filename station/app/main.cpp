// kestrix: the unattended RTTY broadcast station.

#include <QApplication>
#include <QLocale>
#include <clocale>
#include <cstdlib>

#include "common/qt_controls.h"
#include "common/qt_event_loop.h"
#include "station/app/main_window.h"
#include "station/app/termination_signals.h"
#include "station/audio/station_wave_devices.h"
#include "station/encoding/posix_serial_line.h"
#include "station/psk31/sound_psk31_modem.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // QApplication takes the C library's locale from the user's language;
  // every number the station writes or reads keeps "." whatever it is.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  kestrix::QtEventLoop loop;
  // The log file is closed after every line, so nothing is lost by ending
  // at once from inside a handler.
  kestrix::PosixSerialLine serialLine;
  // A WAV file stands for a sound card and plays at a card's pace.
  kestrix::StationWaveDevices waveDevices(kestrix::WavFileDevice::Pacing::kRealTime);
  kestrix::SoundPsk31Modem modem(waveDevices, loop);
  kestrix::QtLauncher launcher;
  kestrix::CKestrixDlg window(loop, {serialLine, modem, waveDevices, launcher},
                              [](int status) { std::_Exit(status); });
  // A service manager's stop ends the station as the close box does.
  kestrix::TerminationSignals stopRequests([&window] { window.CloseWithoutQuestion(); });
  window.show();
  window.GetStation().Start();
  const int status = QApplication::exec();
  loop.Shutdown();
  return status;
}
