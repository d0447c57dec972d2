// The picture editor's window: the byte rules are PictureFilter's; this
// shows their text and hands the edited text back to them.

#include "mailer/picture_editor_window.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/column_ruler.h"
#include "common/qt_controls.h"
#include "mailer/picture_filter.h"

namespace kestrix {

namespace {

constexpr int kRulerColumns = 90;

// The names in the composer's directory, for the file list.
std::vector<std::string> AutoStartNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("AutoStartMail", error)) {
    std::string name = entry.path().filename().string();
    if (!name.empty() && name.front() != '.') {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The field's lines end in '\n'; the display rules' in CR LF.
QString ToField(const std::string& display) {
  QString text = ToQString(display);
  text.replace("\r\n", "\n");
  return text;
}

// One byte per character: a character beyond Latin-1 is no teleprinter
// sign and is saved as a zero byte, as any byte of 128 and above is.
std::string FromField(const QString& text) {
  std::string bytes;
  for (char32_t c : text.toUcs4()) {
    bytes += static_cast<char>(c < 0x80 ? c : 0x80);
  }
  return bytes;
}

QLabel* Note(const char* text) {
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

PictureEditorWindow::PictureEditorWindow(const std::string& path, MessageBox& box, QWidget* parent)
    : QDialog(parent), box_(box), path_(path) {
  setWindowTitle("VUZAVid  BAUDOT Picture Editor (with overstrike support)");
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  picture_ = new QPlainTextEdit;
  picture_->setObjectName("picture");
  picture_->setFont(fixed);
  picture_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // A tab is no teleprinter sign: Tab moves on to the next control.
  picture_->setTabChangesFocus(true);
  const int textLeft =
      picture_->frameWidth() + static_cast<int>(picture_->document()->documentMargin());
  const QFontMetrics metrics(fixed);
  picture_->setMinimumSize(metrics.horizontalAdvance(QString(kRulerColumns + 2, 'M')) +
                               2 * textLeft + picture_->verticalScrollBar()->sizeHint().width(),
                           metrics.lineSpacing() * 24);

  auto* rulerDigits = Note(ColumnRulerDigits(kRulerColumns).c_str());
  auto* rulerTens = Note(ColumnRulerTens(kRulerColumns).c_str());
  for (QLabel* ruler : {rulerDigits, rulerTens}) {
    ruler->setFont(fixed);
    ruler->setContentsMargins(textLeft, 0, 0, 0);
  }

  file_ = new QComboBox;
  file_->setObjectName("file");
  file_->setEditable(true);
  file_->setInsertPolicy(QComboBox::NoInsert);
  file_->setAccessibleName("File");
  load_ = new QPushButton("&Load File");
  load_->setObjectName("loadFile");
  load_->setEnabled(false);
  save_ = new QPushButton("&Save File");
  save_->setObjectName("saveFile");
  saveName_ = new QLineEdit;
  saveName_->setObjectName("saveName");
  saveName_->setAccessibleName("Save name");
  // Enter in a field must not overwrite a file: no default button.
  for (QPushButton* button : {load_, save_}) {
    button->setAutoDefault(false);
  }
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });

  auto* files = new QGridLayout;
  files->addWidget(file_, 0, 0);
  files->addWidget(load_, 0, 1);
  files->addWidget(saveName_, 1, 0);
  files->addWidget(save_, 1, 1);
  files->setColumnStretch(0, 1);
  auto* signs = new QHBoxLayout;
  signs->addWidget(Note("'<' = CR"));
  signs->addSpacing(metrics.horizontalAdvance(QString(4, 'M')));
  signs->addWidget(Note("'^' = LF"));
  signs->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(4);
  layout->addWidget(rulerDigits);
  layout->addWidget(rulerTens);
  layout->addWidget(picture_, 1);
  layout->addLayout(files);
  layout->addLayout(signs);
  layout->addWidget(
      Note("CR and LF are shown by these two non-Baudot signs; the file is saved as binary so "
           "that overstrike lines survive."));

  setTabOrder(file_, picture_);
  setTabOrder(picture_, saveName_);
  setTabOrder(saveName_, save_);
  picture_->setFocus();

  file_->addItem(ToQString(path));
  for (const std::string& name : AutoStartNames()) {
    file_->addItem(ToQString(name));
  }
  file_->setCurrentIndex(0);
  saveName_->setText(ToQString(path + ".mod"));
  if (const std::optional<std::string> display = PictureFilter::Load(path)) {
    picture_->setPlainText(ToField(*display));
  } else {
    missing_ = true;
  }
}

void PictureEditorWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (missing_) {
    missing_ = false;
    QTimer::singleShot(0, this,
                       [this] { box_.Show(path_, "File doesn't exist!", MessageBoxIcon::kNone); });
  }
}

void PictureEditorWindow::Save() {
  const std::string name = saveName_->text().toLatin1().toStdString();
  if (!PictureFilter::Save(name, FromField(picture_->toPlainText()))) {
    box_.Show(name, "Cannot Open Write File", MessageBoxIcon::kNone);
    return;
  }
  box_.Show("Task complete", "File Saved", MessageBoxIcon::kNone);
}

}  // namespace kestrix
