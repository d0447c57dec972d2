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

void QtMenuControls::SetMenuRangeGrayed(int first, int last, bool grayed) {
  for (int i = first; i <= last; ++i) {
    if (QAction* action = Action(i)) {
      action->setEnabled(!grayed);
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
