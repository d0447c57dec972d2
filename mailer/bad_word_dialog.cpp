// "Search for Bad Word": one occurrence at a time, with the word found as
// the proposed replacement, ready to be typed over.

#include "mailer/bad_word_dialog.h"

#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/qt_controls.h"

namespace kestrix {

namespace {

// Accept closes with a code of its own; Cancel, Esc and the close box
// reject.
constexpr int kReplaceResult = 1;
constexpr int kAcceptResult = 2;
constexpr int kMaxReplacement = 255;

}  // namespace

BadWordAnswer BadWordDialog::Ask(const std::string& proposed, std::string& replacement) {
  QDialog dialog(parent_);
  dialog.setWindowTitle("Search for Bad Word");
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(9);
  dialog.setFont(font);

  auto* prompt = new QLabel("Type in Replacement Text String");
  auto* edit = new QLineEdit;
  edit->setObjectName("replacement");
  edit->setMaxLength(kMaxReplacement);
  edit->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QString(40, 'M')));
  edit->setText(ToQString(proposed));
  edit->selectAll();
  auto* replace = new QPushButton("&Replace");
  replace->setObjectName("replace");
  replace->setDefault(true);
  auto* accept = new QPushButton("&Accept");
  accept->setObjectName("accept");
  accept->setAutoDefault(false);
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("cancel");
  cancel->setAutoDefault(false);
  QObject::connect(replace, &QPushButton::clicked, &dialog,
                   [&dialog] { dialog.done(kReplaceResult); });
  QObject::connect(accept, &QPushButton::clicked, &dialog,
                   [&dialog] { dialog.done(kAcceptResult); });
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(replace);
  buttons->addWidget(accept);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(prompt);
  layout->addWidget(edit);
  layout->addLayout(buttons);
  edit->setFocus();

  switch (dialog.exec()) {
    case kReplaceResult:
      replacement = edit->text().toLatin1().toStdString();
      return BadWordAnswer::kReplace;
    case kAcceptResult:
      return BadWordAnswer::kAccept;
    default:
      return BadWordAnswer::kCancel;
  }
}

}  // namespace kestrix
