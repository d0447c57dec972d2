#pragma once
// Widget adapters of the station's own controls: the chat user list, the
// transmitted-text pane, the file chooser, the queue list and the menus.

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/qt_controls.h"
#include "station/app/chat_user_list.h"
#include "station/config/menu_controls.h"
#include "station/queue/file_chooser.h"
#include "station/queue/send_queue.h"
#include "station/queue/text_pane.h"

namespace kestrix {

class QtChatUserList final : public ChatUserList {
 public:
  QtChatUserList(QTreeWidget& tree, QPushButton& kill) : tree_(tree), kill_(kill) {}
  void ShowChatDisabled() override;
  void AddRow(const ChatUserRow& row) override;
  bool DeleteRowWithPid(const std::string& pid) override;
  std::optional<ChatUserRow> FirstSelectedRow() const override;
  void EnableKill(bool enabled) override;

 private:
  QTreeWidget& tree_;
  QPushButton& kill_;
};

class QtTextPane final : public TextPane {
 public:
  explicit QtTextPane(QPlainTextEdit& edit) : edit_(edit) {}
  void SetText(const std::string& text) override;
  void SelectCharacter(int index) override;

 private:
  QPlainTextEdit& edit_;
  // The pane shows a line end as one character where the text has CR LF:
  // the pane position of each character of the text.
  std::vector<int> positions_;
};

class QtFileChooser final : public FileChooser {
 public:
  explicit QtFileChooser(QComboBox& combo) : combo_(combo) {}
  void SetItems(const std::vector<std::string>& items) override;
  std::string EditText() const override;
  void SetEditText(const std::string& text) override;

 private:
  QComboBox& combo_;
};

// Shows the send queue in a list widget and hands the operator's selection
// back to it.
class QtQueueList {
 public:
  QtQueueList(QListWidget& list, SendQueue& queue);
  void Refresh();

 private:
  void TakeSelection();

  QListWidget& list_;
  SendQueue& queue_;
  bool refreshing_ = false;
};

// Menu marks and graying over the QActions of the menu bar, found by their
// command id. Ids without an action (yet) are ignored.
class QtMenuControls final : public MenuControls {
 public:
  void Register(int id, QAction* action);
  QAction* Action(int id) const;

  void SetMenuCheck(int first, int last, int id) override;
  void SetMenuRangeGrayed(int first, int last, bool grayed) override;
  void SetItemChecked(int id, bool checked) override;
  bool IsItemChecked(int id) const override;
  bool IsItemEnabled(int id) const override;
  void SetItemText(int id, const std::string& text) override;
  std::string ItemText(int id) const override;

 private:
  std::map<int, QAction*> actions_;
};

}  // namespace kestrix
