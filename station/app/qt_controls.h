#pragma once
// Widget adapters: the station's control interfaces on top of Qt widgets.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTreeWidget>
#include <QWidget>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "station/app/chat_user_list.h"
#include "station/app/launcher.h"
#include "station/app/message_box.h"
#include "station/app/status_list.h"
#include "station/app/text_field.h"
#include "station/config/menu_controls.h"
#include "station/queue/file_chooser.h"
#include "station/queue/send_queue.h"
#include "station/queue/text_pane.h"

namespace kestrix {

class QtStatusList final : public StatusList {
 public:
  explicit QtStatusList(QListWidget& list) : list_(list) {}
  void AddLine(const std::string& line) override;
  int LineCount() const override;
  void DeleteLine(int index) override;
  void SelectLine(int index) override;

 private:
  QListWidget& list_;
};

class QtTextField final : public TextField {
 public:
  explicit QtTextField(QLineEdit& edit) : edit_(edit) {}
  void SetText(const std::string& text) override;
  std::string Text() const override;

 private:
  QLineEdit& edit_;
};

class QtChatUserList final : public ChatUserList {
 public:
  explicit QtChatUserList(QTreeWidget& tree) : tree_(tree) {}
  void ShowChatDisabled() override;

 private:
  QTreeWidget& tree_;
};

// The window's title, set like a field.
class QtWindowTitle final : public TextField {
 public:
  explicit QtWindowTitle(QWidget& window) : window_(window) {}
  void SetText(const std::string& text) override;
  std::string Text() const override;

 private:
  QWidget& window_;
};

// Notices and questions open without a loop of their own and are deleted
// when closed. Without an operator (`operatorPresent` false; the offscreen
// platform) every box goes to standard error only and a question is taken
// as answered Yes.
class QtMessageBox final : public MessageBox {
 public:
  explicit QtMessageBox(QWidget& parent);
  QtMessageBox(QWidget& parent, bool operatorPresent)
      : parent_(parent), operatorPresent_(operatorPresent) {}
  void Show(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
  void ShowAndWait(const std::string& text, const std::string& caption,
                   MessageBoxIcon icon) override;
  void Ask(const std::string& text, const std::string& caption, MessageBoxIcon icon,
           Answer answered) override;
  void Beep() override;

 private:
  QMessageBox* Open(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                    QMessageBox::StandardButtons buttons);

  QWidget& parent_;
  bool operatorPresent_;
  // The notices on screen, by caption and text.
  std::map<std::pair<std::string, std::string>, QPointer<QMessageBox>> notices_;
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

// The operator's editor: $VISUAL, then the desktop's opener.
class QtLauncher final : public Launcher {
 public:
  bool OpenInEditor(const std::string& path) override;
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
