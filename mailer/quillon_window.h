#pragma once
// The mail loader's main window: the file queue, the station mailbox it is
// mailed to, Send Mail, the next file, metered mail, the log, and the
// composer and picture editor it opens. Fields and queue are kept in
// "Quillon.INI" between runs.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "common/qt_controls.h"
#include "mailer/composer_host.h"
#include "mailer/mail_log.h"
#include "mailer/mail_session_runner.h"
#include "mailer/mail_session_window.h"
#include "mailer/metered_mail.h"
#include "mailer/smtp_client_session.h"

namespace kestrix {

class ComposerWindow;

class QuillonWindow final : public QMainWindow, public MailSessionWindow, public ComposerHost {
  Q_OBJECT

 public:
  // How an outside program is started: its kind and the file, false when
  // none could be started.
  enum class OutsideProgram { kNotepad, kWordpad, kHexEditor };
  using ProgramStarter = std::function<bool(OutsideProgram, const std::string& path)>;

  QuillonWindow(EventLoop& loop, SmtpClientSession::Options sessionOptions = {},
                QWidget* parent = nullptr);
  // With its own boxes (tests record them).
  QuillonWindow(EventLoop& loop, std::unique_ptr<MessageBox> boxes,
                SmtpClientSession::Options sessionOptions = {}, QWidget* parent = nullptr);
  ~QuillonWindow() override;

  // Replaces how outside programs are started (tests record them).
  void SetProgramStarter(ProgramStarter starter) { startProgram_ = std::move(starter); }
  MessageBox& Boxes() { return *boxes_; }
  MailSessionRunner& Sessions() { return *runner_; }
  MeteredMail& Metered() { return *metered_; }

  // The commands of the buttons and menus.
  void SendMail();
  void SendNextMail();
  void AddFiles(const QStringList& files);
  void ClearAll();
  void RemoveSelected();
  void OpenSelectedWith(OutsideProgram program);
  void OpenPictureEditor();
  void OpenComposer();
  void ToggleAdvancedControls();
  void ServerChosen(int index);
  void SwitchMeteredMail(bool on);
  // Writes "Quillon.INI" and closes, as Yes to the close question does.
  void SaveAndClose();

  // MailSessionWindow: run on the window thread whichever thread asks.
  std::string Mailbox() override;
  std::string HostText() override;
  std::string PortText() override;
  std::string MailFrom() override;
  std::string Subject() override;
  void SetSubject(const std::string& text) override;
  void SetSubjectReadOnly(bool readOnly) override;
  void EnableSendMail(bool enabled) override;
  bool MeteredChecked() override;
  void StopMeteredMail() override;
  int QueueCount() override;
  std::string QueueEntry(int index) override;
  void DeleteQueueEntry(int index) override;
  void AppendQueueEntry(const std::string& path) override;

  // ComposerHost.
  std::string MailFrom() const override;
  void SetMailFrom(const std::string& text) override;
  std::string Mailbox() const override;
  void SetMailbox(const std::string& text) override;
  void InsertAtQueueHead(const std::string& path) override;
  void SendNextMailItem() override;

  // The widgets, for the tests of the window.
  QListWidget* queue_ = nullptr;
  QListWidget* logList_ = nullptr;
  QComboBox* server_ = nullptr;
  QComboBox* port_ = nullptr;
  QComboBox* address_ = nullptr;
  QLineEdit* mailFrom_ = nullptr;
  QLineEdit* subject_ = nullptr;
  QPushButton* sendMail_ = nullptr;
  QPushButton* sendNext_ = nullptr;
  QCheckBox* metered_check_ = nullptr;
  QLineEdit* countDown_ = nullptr;
  QLineEdit* secondsBetween_ = nullptr;
  QAction* advanced_ = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void LoadSettings();
  void AddLogLine(const std::string& text) { log_->AddLogLine(text); }
  // Runs `work` on the window thread and returns its result.
  template <typename Work>
  auto OnWindowThread(Work work) -> decltype(work());

  EventLoop& loop_;
  std::unique_ptr<QtStatusList> logLines_;
  std::unique_ptr<MessageBox> boxes_;
  std::unique_ptr<MessageBox> sessionBoxes_;
  std::unique_ptr<MailLog> log_;
  std::unique_ptr<SmtpClientSession> session_;
  std::unique_ptr<MailSessionRunner> runner_;
  std::unique_ptr<QtTextField> countDownField_;
  std::unique_ptr<QtTextField> secondsField_;
  std::unique_ptr<MeteredMail> metered_;
  ProgramStarter startProgram_;
  bool closing_ = false;
  bool ownBoxes_ = true;  // not a test's recording boxes
  std::vector<QPointer<QWidget>> composers_;
};

// The desktop's programs for the three kinds; false when none starts.
bool StartOutsideProgram(QuillonWindow::OutsideProgram program, const std::string& path);

}  // namespace kestrix
