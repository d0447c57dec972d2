#pragma once
// "Quillon Editor", the mail composer's window: FROM, TO, SUBJECT and a
// 72-column upper-case message with its ruler, "Send Now", and the menu of
// file, print, edit and banned-word commands. Each one is a top-level window
// of its own that writes its settings and deletes itself when closed.

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "common/event_loop.h"
#include "common/message_box.h"
#include "mailer/composer.h"
#include "mailer/composer_host.h"

class QPrintDialog;
class QFileDialog;
class QMenuBar;

namespace kestrix {

class ComposerWindow final : public QWidget {
  Q_OBJECT

 public:
  ComposerWindow(ComposerHost& host, MessageBox& box, EventLoop& loop, QWidget* parent = nullptr);
  ~ComposerWindow() override;

  // The commands of the menu and the button.
  void OpenFile();
  void SavePageAs();
  void SaveToQueue();
  void Print();
  void Quit();
  void ClearAll();
  void SelectAll();
  void CopyAll();
  void BadWordSearch();
  void SendNow();
  // Prints the message on `printer`, as "Print" does once the operator
  // has chosen one.
  void PrintTo(QPrinter& printer);

  Composer& Commands() { return *composer_; }

  // The widgets, for the tests of the window.
  QLineEdit* from_ = nullptr;
  QComboBox* to_ = nullptr;
  QLineEdit* subject_ = nullptr;
  QPlainTextEdit* message_ = nullptr;
  QPushButton* sendNow_ = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus(QMenuBar& bar);
  // Runs a command that lets window events in while it works: a close that
  // arrives meanwhile deletes the window only once the command is over.
  template <typename Command>
  void WhileBusy(Command command);

  MessageBox& box_;
  EventLoop& loop_;
  std::unique_ptr<ComposerField> fromField_;
  std::unique_ptr<ComposerListField> toField_;
  std::unique_ptr<ComposerField> subjectField_;
  std::unique_ptr<TextField> messageField_;
  std::unique_ptr<Composer> composer_;
  std::unique_ptr<QPrinter> printer_;
  QPointer<QPrintDialog> printDialog_;
  QPointer<QFileDialog> openDialog_;
  QPointer<QFileDialog> saveDialog_;
  int busy_ = 0;
  bool deleteWhenIdle_ = false;
};

}  // namespace kestrix
