#include "common/qt_controls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kestrix {

QString ToQString(const std::string& text) {
  return QString::fromLatin1(text);
}

void QtStatusList::AddLine(const std::string& line) {
  list_.addItem(ToQString(line));
}

int QtStatusList::LineCount() const {
  return list_.count();
}

void QtStatusList::DeleteLine(int index) {
  delete list_.takeItem(index);
}

void QtStatusList::SelectLine(int index) {
  list_.setCurrentRow(index);
  if (QListWidgetItem* item = list_.item(index)) {
    list_.scrollToItem(item);
  }
}

void QtTextField::SetText(const std::string& text) {
  edit_.setText(ToQString(text));
}

std::string QtTextField::Text() const {
  return edit_.text().toLatin1().toStdString();
}

void QtWindowTitle::SetText(const std::string& text) {
  window_.setWindowTitle(ToQString(text));
}

std::string QtWindowTitle::Text() const {
  return window_.windowTitle().toLatin1().toStdString();
}

namespace {

QMessageBox::Icon QtIcon(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::kInformation:
      return QMessageBox::Information;
    case MessageBoxIcon::kQuestion:
      return QMessageBox::Question;
    case MessageBoxIcon::kWarning:
      return QMessageBox::Warning;
    case MessageBoxIcon::kStop:
      return QMessageBox::Critical;
    case MessageBoxIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

// Every box also goes to standard error, the service log of an unattended
// station.
void ToStandardError(const std::string& text, const std::string& caption) {
  std::string oneLine = text;
  std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
  std::fprintf(stderr, "kestrix: %s: %s\n", caption.c_str(), oneLine.c_str());
}

}  // namespace

// Without a display (the offscreen platform) nobody reads or answers a box.
QtMessageBox::QtMessageBox(QWidget& parent)
    : QtMessageBox(parent, QGuiApplication::platformName() != "offscreen") {}

QMessageBox* QtMessageBox::Open(const std::string& text, const std::string& caption,
                                MessageBoxIcon icon, QMessageBox::StandardButtons buttons) {
  auto* box = new QMessageBox(QtIcon(icon), ToQString(caption), ToQString(text), buttons, &parent_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Not even window-modal: the operator keeps the main window's controls
  // while a box is up.
  box->setWindowModality(Qt::NonModal);
  return box;
}

void QtMessageBox::Show(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
  ToStandardError(text, caption);
  if (!operatorPresent_) {
    return;
  }
  // The same notice again (a sound error at every transmitter-on) raises
  // the box that is up instead of piling up another.
  std::erase_if(notices_, [](const auto& notice) { return notice.second.isNull(); });
  QPointer<QMessageBox>& box = notices_[std::make_pair(caption, text)];
  if (box) {
    box->raise();
    return;
  }
  box = Open(text, caption, icon, QMessageBox::Ok);
  box->show();
}

// The process ends after this box, so it may wait: nothing goes on the air
// any more.
void QtMessageBox::ShowAndWait(const std::string& text, const std::string& caption,
                               MessageBoxIcon icon) {
  ToStandardError(text, caption);
  if (!operatorPresent_) {
    return;
  }
  QMessageBox box(QtIcon(icon), ToQString(caption), ToQString(text), QMessageBox::Ok, &parent_);
  box.exec();
}

void QtMessageBox::Ask(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                       Answer answered) {
  ToStandardError(text, caption);
  if (!operatorPresent_) {
    answered(true);  // nobody could answer: taken as Yes
    return;
  }
  QMessageBox* box = Open(text, caption, icon, QMessageBox::Yes | QMessageBox::No);
  QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)](int) {
    answered(box->clickedButton() == box->button(QMessageBox::Yes));
  });
  box->show();
}

void QtMessageBox::Beep() {
  QApplication::beep();
}

bool QtLauncher::OpenInEditor(const std::string& path) {
  const QString file = ToQString(path);
  if (const char* visual = std::getenv("VISUAL"); visual != nullptr && *visual != '\0') {
    if (QProcess::startDetached(QString::fromLocal8Bit(visual), {file})) {
      return true;
    }
  }
  return QProcess::startDetached("xdg-open", {file});
}

}  // namespace kestrix
