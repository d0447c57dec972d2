#include "station/app/qt_controls.h"

#include <QApplication>
#include <QMessageBox>

namespace kestrix {
namespace {
// Station texts are byte strings; Latin-1 keeps every byte visible.
QString ToQString(const std::string& text) {
  return QString::fromLatin1(text);
}
}  // namespace

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

MessageBoxResult QtMessageBox::Show(const std::string& text, const std::string& caption,
                                    MessageBoxButtons buttons) {
  QMessageBox box(&parent_);
  box.setWindowTitle(ToQString(caption));
  box.setText(ToQString(text));
  switch (buttons) {
    case MessageBoxButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageBoxButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MessageBoxButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageBoxResult::kYes;
    case QMessageBox::No:
      return MessageBoxResult::kNo;
    case QMessageBox::Cancel:
      return MessageBoxResult::kCancel;
    default:
      return MessageBoxResult::kOk;
  }
}

void QtMessageBox::Beep() {
  QApplication::beep();
}

}  // namespace kestrix
