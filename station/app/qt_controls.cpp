#include "station/app/qt_controls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

void QtWindowTitle::SetText(const std::string& text) {
  window_.setWindowTitle(ToQString(text));
}

std::string QtWindowTitle::Text() const {
  return window_.windowTitle().toLatin1().toStdString();
}

MessageBoxResult QtMessageBox::Show(const std::string& text, const std::string& caption,
                                    MessageBoxButtons buttons) {
  // Every box also goes to standard error, the service log of an
  // unattended station.
  std::string oneLine = text;
  std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
  std::fprintf(stderr, "kestrix: %s: %s\n", caption.c_str(), oneLine.c_str());
  // Without a display nobody could answer: the box is taken as answered.
  if (QGuiApplication::platformName() == "offscreen") {
    return buttons == MessageBoxButtons::kYesNo ? MessageBoxResult::kYes : MessageBoxResult::kOk;
  }
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

void QtTextPane::SetText(const std::string& text) {
  std::string shown;
  positions_.assign(text.size(), 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    positions_[i] = static_cast<int>(shown.size());
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;  // the LF that follows stands for both
    }
    shown += text[i] == '\r' ? '\n' : text[i];
  }
  edit_.setPlainText(ToQString(shown));
}

void QtTextPane::SelectCharacter(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= positions_.size()) {
    return;
  }
  const int at = std::min(positions_[static_cast<std::size_t>(index)],
                          std::max(edit_.document()->characterCount() - 1, 0));
  QTextCursor cursor(edit_.document());
  cursor.setPosition(at);
  cursor.setPosition(std::min(at + 1, edit_.document()->characterCount() - 1),
                     QTextCursor::KeepAnchor);
  edit_.setTextCursor(cursor);
  edit_.ensureCursorVisible();
}

void QtFileChooser::SetItems(const std::vector<std::string>& items) {
  const QString edit = combo_.currentText();
  combo_.clear();
  for (const auto& item : items) {
    combo_.addItem(ToQString(item));
  }
  combo_.setEditText(edit);
}

std::string QtFileChooser::EditText() const {
  return combo_.currentText().toLatin1().toStdString();
}

void QtFileChooser::SetEditText(const std::string& text) {
  combo_.setEditText(ToQString(text));
}

QtQueueList::QtQueueList(QListWidget& list, SendQueue& queue) : list_(list), queue_(queue) {
  list_.setSelectionMode(QAbstractItemView::ExtendedSelection);
  QObject::connect(&list_, &QListWidget::itemSelectionChanged, [this] { TakeSelection(); });
  QObject::connect(&list_, &QListWidget::currentRowChanged, [this](int row) {
    if (!refreshing_) {
      queue_.SetFocusIndex(row);
    }
  });
  queue_.SetChangedHandler([this] { Refresh(); });
}

void QtQueueList::Refresh() {
  refreshing_ = true;
  list_.clear();
  for (int i = 0; i < queue_.Count(); ++i) {
    list_.addItem(ToQString(queue_.Text(i)));
    list_.item(i)->setSelected(queue_.IsSelected(i));
  }
  if (queue_.FocusIndex() >= 0) {
    list_.setCurrentRow(queue_.FocusIndex(), QItemSelectionModel::NoUpdate);
  }
  refreshing_ = false;
}

void QtQueueList::TakeSelection() {
  if (refreshing_) {
    return;
  }
  for (int i = 0; i < list_.count() && i < queue_.Count(); ++i) {
    queue_.SetSelected(i, list_.item(i)->isSelected());
  }
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

void QtMenuControls::Register(int id, QAction* action) {
  actions_[id] = action;
}

QAction* QtMenuControls::Action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void QtMenuControls::SetMenuCheck(int first, int last, int id) {
  for (int i = first; i <= last; ++i) {
    SetItemChecked(i, false);
  }
  SetItemChecked(id, true);
}

void QtMenuControls::SetMenuRangeEnabled(int first, int last, bool gray) {
  for (int i = first; i <= last; ++i) {
    if (QAction* action = Action(i)) {
      action->setEnabled(!gray);
    }
  }
}

void QtMenuControls::SetItemChecked(int id, bool checked) {
  if (QAction* action = Action(id)) {
    action->setChecked(checked);
  }
}

bool QtMenuControls::IsItemChecked(int id) const {
  QAction* action = Action(id);
  return action != nullptr && action->isChecked();
}

bool QtMenuControls::IsItemEnabled(int id) const {
  QAction* action = Action(id);
  return action != nullptr && action->isEnabled();
}

void QtMenuControls::SetItemText(int id, const std::string& text) {
  if (QAction* action = Action(id)) {
    action->setText(QString::fromStdString(text));
  }
}

std::string QtMenuControls::ItemText(int id) const {
  QAction* action = Action(id);
  return action == nullptr ? std::string() : action->text().toStdString();
}

void QtChatUserList::ShowChatDisabled() {
  tree_.clear();
  auto* row = new QTreeWidgetItem(&tree_);
  row->setText(0, "CHAT DISABLED");
  tree_.setEnabled(false);
}

}  // namespace kestrix
