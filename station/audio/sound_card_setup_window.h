#pragma once
// "Sound Card Frequency Setup": the MARK and SPACE tones, with the SHIFT
// they give when the dialog opens.

#include <QDialog>
#include <QLineEdit>

#include "station/config/station_settings.h"

namespace kestrix {

class SoundCardSetupWindow final : public QDialog {
 public:
  SoundCardSetupWindow(StationSettings& settings, QWidget* parent);

 private:
  void OnOk();

  StationSettings& settings_;
  QLineEdit* mark_;
  QLineEdit* space_;
  QLineEdit* shift_;
};

}  // namespace kestrix
