#pragma once
// Widget adapters of the generic control interfaces: a status list, a text
// field, the window title, message boxes and the editor launcher.

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <map>
#include <string>
#include <utility>

#include "common/launcher.h"
#include "common/message_box.h"
#include "common/status_list.h"
#include "common/text_field.h"

namespace kestrix {

// Texts are byte strings; Latin-1 keeps every byte visible.
QString ToQString(const std::string& text);

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

// The operator's editor: $VISUAL, then the desktop's opener.
class QtLauncher final : public Launcher {
 public:
  bool OpenInEditor(const std::string& path) override;
};

}  // namespace kestrix
