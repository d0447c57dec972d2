#include "station/app/qt_controls.h"

#include <QTextCursor>
#include <algorithm>

namespace kestrix {

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

void QtChatUserList::AddRow(const ChatUserRow& row) {
  auto* item = new QTreeWidgetItem(&tree_);
  item->setText(0, QString::fromStdString(row.name));
  item->setText(1, QString::fromStdString(row.loginTime));
  item->setText(2, QString::fromStdString(row.pid));
  item->setText(3, QString::fromStdString(row.address));
}

bool QtChatUserList::DeleteRowWithPid(const std::string& pid) {
  for (int i = 0; i < tree_.topLevelItemCount(); ++i) {
    if (tree_.topLevelItem(i)->text(2).toStdString() == pid) {
      delete tree_.takeTopLevelItem(i);
      return true;
    }
  }
  return false;
}

std::optional<ChatUserRow> QtChatUserList::FirstSelectedRow() const {
  for (int i = 0; i < tree_.topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = tree_.topLevelItem(i);
    if (item->isSelected()) {
      return ChatUserRow{item->text(0).toStdString(), item->text(1).toStdString(),
                         item->text(2).toStdString(), item->text(3).toStdString()};
    }
  }
  return std::nullopt;
}

void QtChatUserList::EnableKill(bool enabled) {
  kill_.setEnabled(enabled);
}

void QtChatUserList::ShowChatDisabled() {
  tree_.clear();
  auto* row = new QTreeWidgetItem(&tree_);
  row->setText(0, "CHAT DISABLED");
  tree_.setEnabled(false);
}

}  // namespace kestrix
