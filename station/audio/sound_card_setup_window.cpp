#include "station/audio/sound_card_setup_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "station/audio/sound_card_setup.h"
#include "station/config/control_ids.h"

namespace kestrix {

namespace {

QLineEdit* Edit(const char* name, int controlId, const std::string& text) {
  auto* edit = new QLineEdit(QString::fromStdString(text));
  edit->setObjectName(name);
  edit->setProperty("controlId", controlId);
  return edit;
}

}  // namespace

SoundCardSetupWindow::SoundCardSetupWindow(StationSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setWindowTitle("Sound Card Frequency Setup");
  const SoundCardSetupTexts texts = SoundCardSetup::Start(settings);
  mark_ = Edit("mark", control::kMarkTone, texts.mark);
  space_ = Edit("space", control::kSpaceTone, texts.space);
  shift_ = Edit("shift", control::kToneShift, texts.shift);
  shift_->setReadOnly(true);

  auto* form = new QFormLayout;
  form->addRow("MARK", mark_);
  form->addRow("SPACE", space_);
  form->addRow("SHIFT", shift_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void SoundCardSetupWindow::OnOk() {
  SoundCardSetup::Accept(settings_, mark_->text().toStdString(), space_->text().toStdString());
  accept();
}

}  // namespace kestrix
