#include "mailer/quillon_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <filesystem>

#include "mailer/composer_window.h"
#include "mailer/mailbox_presets.h"
#include "mailer/picture_editor_window.h"
#include "mailer/quillon_settings.h"

namespace kestrix {

namespace {

constexpr char kTitle[] =
    "Quillon 15.5.09                                        EMail Loader to QERV, National and "
    "Autostart";
constexpr char kDefaultSubject[] = "Default (To use file name as subject, do not change this line)";

QString Q(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) {
  return text.toLatin1().toStdString();
}

// The first program of `candidates` that starts.
bool StartFirst(std::initializer_list<const char*> candidates, const std::string& path) {
  for (const char* program : candidates) {
    if (!QStandardPaths::findExecutable(program).isEmpty() &&
        QProcess::startDetached(program, {Q(path)})) {
      return true;
    }
  }
  return false;
}

// Boxes asked for by the session's thread, shown by the window thread.
class WindowThreadBoxes final : public MessageBox {
 public:
  WindowThreadBoxes(EventLoop& loop, MessageBox& boxes) : loop_(loop), boxes_(boxes) {}
  void Show(const std::string& text, const std::string& caption, MessageBoxIcon icon) override {
    loop_.CallOnWindowThread([&] { boxes_.Show(text, caption, icon); });
  }
  void ShowAndWait(const std::string& text, const std::string& caption,
                   MessageBoxIcon icon) override {
    loop_.CallOnWindowThread([&] { boxes_.ShowAndWait(text, caption, icon); });
  }
  void Ask(const std::string& text, const std::string& caption, MessageBoxIcon icon,
           Answer answered) override {
    loop_.CallOnWindowThread([&] { boxes_.Ask(text, caption, icon, answered); });
  }
  void Beep() override {
    loop_.CallOnWindowThread([&] { boxes_.Beep(); });
  }

 private:
  EventLoop& loop_;
  MessageBox& boxes_;
};

// The boxes of a modal window, opened over it rather than over the main
// window (which the modal window blocks). Made once the window exists.
class BoxesOver final : public MessageBox {
 public:
  void Over(QWidget& window) { boxes_ = std::make_unique<QtMessageBox>(window); }
  void Show(const std::string& text, const std::string& caption, MessageBoxIcon icon) override {
    boxes_->Show(text, caption, icon);
  }
  void ShowAndWait(const std::string& text, const std::string& caption,
                   MessageBoxIcon icon) override {
    boxes_->ShowAndWait(text, caption, icon);
  }
  void Ask(const std::string& text, const std::string& caption, MessageBoxIcon icon,
           Answer answered) override {
    boxes_->Ask(text, caption, icon, std::move(answered));
  }
  void Beep() override { boxes_->Beep(); }

 private:
  std::unique_ptr<QtMessageBox> boxes_;
};

}  // namespace

bool StartOutsideProgram(QuillonWindow::OutsideProgram program, const std::string& path) {
  switch (program) {
    case QuillonWindow::OutsideProgram::kNotepad:
      return QtLauncher().OpenInEditor(path);
    case QuillonWindow::OutsideProgram::kWordpad:
      return StartFirst({"xdg-open"}, path);
    case QuillonWindow::OutsideProgram::kHexEditor:
      return StartFirst({"ghex", "okteta", "bless", "wxHexEditor"}, path);
  }
  return false;
}

template <typename Work>
auto QuillonWindow::OnWindowThread(Work work) -> decltype(work()) {
  using Result = decltype(work());
  if constexpr (std::is_void_v<Result>) {
    loop_.CallOnWindowThread(work);
  } else {
    Result result{};
    loop_.CallOnWindowThread([&] { result = work(); });
    return result;
  }
}

QuillonWindow::QuillonWindow(EventLoop& loop, SmtpClientSession::Options sessionOptions,
                             QWidget* parent)
    : QuillonWindow(loop, nullptr, sessionOptions, parent) {}

QuillonWindow::QuillonWindow(EventLoop& loop, std::unique_ptr<MessageBox> boxes,
                             SmtpClientSession::Options sessionOptions, QWidget* parent)
    : QMainWindow(parent), loop_(loop), startProgram_(StartOutsideProgram) {
  setWindowTitle(kTitle);
  BuildControls();
  BuildMenus();
  logLines_ = std::make_unique<QtStatusList>(*logList_);
  ownBoxes_ = boxes == nullptr;
  boxes_ = boxes ? std::move(boxes) : std::make_unique<QtMessageBox>(*this);
  log_ = std::make_unique<MailLog>(loop_, *logLines_);
  sessionBoxes_ = std::make_unique<WindowThreadBoxes>(loop_, *boxes_);
  session_ = std::make_unique<SmtpClientSession>(*this, *log_, *sessionBoxes_, sessionOptions);
  runner_ = std::make_unique<MailSessionRunner>(
      loop_, [this](bool singleFile) { session_->SendQueuedMail(singleFile); },
      [this] { session_->Abort(); });
  countDownField_ = std::make_unique<QtTextField>(*countDown_);
  secondsField_ = std::make_unique<QtTextField>(*secondsBetween_);
  metered_ = std::make_unique<MeteredMail>(
      loop_, *countDownField_, *secondsField_,
      [this](std::function<void()> ended) { return runner_->Start(false, std::move(ended)); });
  loop_.SetTimerHandler([this](int id) {
    if (id == MeteredMail::kTimerId) {
      metered_->Tick();
    }
  });

  mailFrom_->setText("NoBody");
  subject_->setText(kDefaultSubject);
  address_->setCurrentIndex(0);
  server_->setCurrentIndex(0);
  secondsBetween_->setText("60");
  port_->setCurrentIndex(0);
  LoadSettings();
  AddLogLine("********** Application Started **********");
}

QuillonWindow::~QuillonWindow() {
  loop_.SetTimerHandler({});
  loop_.StopTimer(MeteredMail::kTimerId);
  runner_->AbortAndWait();
}

void QuillonWindow::BuildControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  auto* queueButtons = new QHBoxLayout;
  auto* getFiles = new QPushButton("&Get Files (Multiple file selections are allowed)");
  auto* clearAll = new QPushButton("&Clear All");
  queueButtons->addWidget(getFiles);
  queueButtons->addWidget(clearAll);
  layout->addLayout(queueButtons);
  queue_ = new QListWidget;
  queue_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  layout->addWidget(queue_);

  auto* fields = new QFormLayout;
  server_ = new QComboBox;
  server_->setEditable(true);
  for (const MailboxPreset& preset : kMailboxPresets) {
    server_->addItem(Q(preset.mailbox));
  }
  port_ = new QComboBox;
  port_->setEditable(true);
  for (const MailboxPreset& preset : kMailboxPresets) {
    port_->addItem(Q(preset.port));
  }
  address_ = new QComboBox;
  address_->setEditable(true);
  for (std::string_view entry : kAddressEntries) {
    address_->addItem(Q(entry));
  }
  mailFrom_ = new QLineEdit;
  subject_ = new QLineEdit;
  fields->addRow("Se&rver", server_);
  fields->addRow("&Port", port_);
  fields->addRow("A&ddress", address_);
  fields->addRow("Mail &From", mailFrom_);
  fields->addRow("Su&bject", subject_);
  layout->addLayout(fields);
  for (QWidget* advanced : {static_cast<QWidget*>(port_), static_cast<QWidget*>(address_),
                            static_cast<QWidget*>(subject_)}) {
    advanced->setEnabled(false);
  }

  sendMail_ = new QPushButton(
      "&Send Mail  (Sends everything in the queue shown above immediately without "
      "delay)");
  sendMail_->setDefault(true);
  sendMail_->setAutoDefault(true);
  sendNext_ = new QPushButton("Send &next mail item in list ");
  layout->addWidget(sendMail_);
  layout->addWidget(sendNext_);

  auto* meteredGroup = new QGroupBox(
      "Metered Mail  ( Sends out one email message with a fixed time tag between files ) ");
  auto* metered = new QFormLayout(meteredGroup);
  metered_check_ = new QCheckBox("Start &Metered Mail");
  countDown_ = new QLineEdit;
  countDown_->setReadOnly(true);
  countDown_->setFocusPolicy(Qt::NoFocus);
  secondsBetween_ = new QLineEdit;
  metered->addRow(metered_check_);
  metered->addRow("Count Down (Seconds)", countDown_);
  metered->addRow("Seconds Bet&ween Files", secondsBetween_);
  layout->addWidget(meteredGroup);

  auto* special = new QGroupBox("Special Controls");
  auto* specialLayout = new QHBoxLayout(special);
  auto* composer = new QPushButton("Mail C&omposer");
  specialLayout->addWidget(composer);
  layout->addWidget(special);

  logList_ = new QListWidget;
  layout->addWidget(logList_);
  setCentralWidget(central);

  setTabOrder(getFiles, clearAll);
  setTabOrder(clearAll, queue_);
  setTabOrder(queue_, server_);
  setTabOrder(server_, port_);
  setTabOrder(port_, address_);
  setTabOrder(address_, mailFrom_);
  setTabOrder(mailFrom_, subject_);
  setTabOrder(subject_, sendMail_);
  setTabOrder(sendMail_, sendNext_);
  setTabOrder(sendNext_, metered_check_);
  setTabOrder(metered_check_, secondsBetween_);
  setTabOrder(secondsBetween_, composer);
  setTabOrder(composer, logList_);

  connect(getFiles, &QPushButton::clicked, this, [this] { AddFiles({}); });
  connect(clearAll, &QPushButton::clicked, this, [this] { ClearAll(); });
  connect(sendMail_, &QPushButton::clicked, this, [this] { SendMail(); });
  connect(sendNext_, &QPushButton::clicked, this, [this] { SendNextMail(); });
  connect(metered_check_, &QCheckBox::toggled, this, [this](bool on) { SwitchMeteredMail(on); });
  connect(composer, &QPushButton::clicked, this, [this] { OpenComposer(); });
  connect(server_, &QComboBox::activated, this, [this](int index) { ServerChosen(index); });
  connect(queue_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    if (!startProgram_(OutsideProgram::kNotepad, S(item->text()))) {
      boxes_->Show("Application not found", "Not a Nice Day", MessageBoxIcon::kStop);
    }
  });
  connect(logList_, &QListWidget::itemDoubleClicked, this, [this] {
    if (!startProgram_(OutsideProgram::kNotepad, log_->LastFileName())) {
      boxes_->Show("Application not found", "Not a Nice Day", MessageBoxIcon::kStop);
    }
  });
}

void QuillonWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File     ");
  QMenu* openWith = file->addMenu("&Open File Using . . .");
  connect(openWith->addAction("&Notepad"), &QAction::triggered, this,
          [this] { OpenSelectedWith(OutsideProgram::kNotepad); });
  connect(openWith->addAction("&Wordpad"), &QAction::triggered, this,
          [this] { OpenSelectedWith(OutsideProgram::kWordpad); });
  connect(openWith->addAction("&Picture Editor"), &QAction::triggered, this,
          [this] { OpenPictureEditor(); });
  connect(openWith->addAction("&Hex Editor"), &QAction::triggered, this,
          [this] { OpenSelectedWith(OutsideProgram::kHexEditor); });
  connect(file->addAction("&Add Multiple Files"), &QAction::triggered, this,
          [this] { AddFiles({}); });
  connect(file->addAction("&Remove Selected Items"), &QAction::triggered, this,
          [this] { RemoveSelected(); });
  connect(file->addAction("&Clear Entire Queue"), &QAction::triggered, this,
          [this] { ClearAll(); });
  connect(menuBar()->addAction("&Editor    "), &QAction::triggered, this,
          [this] { OpenComposer(); });
  QMenu* options = menuBar()->addMenu("O&ptions    ");
  QMenu* fieldOptions = options->addMenu("&Field Options");
  advanced_ = fieldOptions->addAction("&Toggle Advanced Controls");
  advanced_->setCheckable(true);
  connect(advanced_, &QAction::triggered, this, [this] { ToggleAdvancedControls(); });
  QMenu* help = menuBar()->addMenu("&Help");
  connect(help->addAction("&About"), &QAction::triggered, this, [this] {
    QMessageBox::about(this, "About Quillon",
                       "Quillon 15.5.09\nEMail Loader to QERV, National and Autostart");
  });
}

void QuillonWindow::LoadSettings() {
  const std::optional<QuillonSettings> settings = QuillonSettings::Read();
  if (!settings) {
    return;
  }
  if (settings->server) {
    server_->setEditText(Q(*settings->server));
  }
  if (settings->address) {
    address_->setEditText(Q(*settings->address));
  }
  if (settings->subject) {
    subject_->setText(Q(*settings->subject));
  }
  if (settings->mailFrom) {
    mailFrom_->setText(Q(*settings->mailFrom));
  }
  if (settings->port) {
    port_->setEditText(Q(*settings->port));
  }
  for (const std::string& entry : settings->queue) {
    queue_->addItem(Q(entry));
  }
}

void QuillonWindow::SendMail() {
  if (!runner_->Start(false)) {
    AddLogLine("A mail session is running already");
  }
}

void QuillonWindow::SendNextMail() {
  if (!runner_->Start(true)) {
    AddLogLine("A mail session is running already");
  }
}

void QuillonWindow::AddFiles(const QStringList& given) {
  const QString home = QDir::currentPath();
  QStringList files = given;
  if (files.isEmpty()) {
    files = QFileDialog::getOpenFileNames(this, "Open - Kestrix Scheduler Files to Load", "data",
                                          "TXT Files (*.txt);;DOC Files (*.doc);;All Files (*)");
  }
  for (const QString& file : files) {
    queue_->addItem(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()));
  }
  // The log and settings files are relative to it.
  QDir::setCurrent(home);
}

void QuillonWindow::ClearAll() {
  queue_->clear();
  logList_->clear();
}

void QuillonWindow::RemoveSelected() {
  for (int row = queue_->count() - 1; row >= 0; --row) {
    if (queue_->item(row)->isSelected()) {
      delete queue_->takeItem(row);
    }
  }
}

void QuillonWindow::OpenSelectedWith(OutsideProgram program) {
  bool any = false;
  for (int row = 0; row < queue_->count(); ++row) {
    QListWidgetItem* item = queue_->item(row);
    if (!item->isSelected()) {
      continue;
    }
    any = true;
    if (!startProgram_(program, S(item->text()))) {
      boxes_->Show("Application not found", "Not a Nice Day", MessageBoxIcon::kStop);
      return;
    }
    item->setSelected(false);
  }
  if (!any) {
    boxes_->Show("Nothing to open, please select a file first", "Nothing to do",
                 MessageBoxIcon::kInformation);
  }
}

void QuillonWindow::OpenPictureEditor() {
  QListWidgetItem* focused = queue_->currentItem();
  const std::string path = focused != nullptr ? S(focused->text()) : std::string();
  BoxesOver over;
  PictureEditorWindow editor(path, ownBoxes_ ? over : *boxes_, this);
  over.Over(editor);
  editor.exec();
}

void QuillonWindow::OpenComposer() {
  auto* composer = new ComposerWindow(*this, *boxes_, loop_);
  composers_.push_back(composer);
  composer->show();
}

void QuillonWindow::ToggleAdvancedControls() {
  const bool on = advanced_->isChecked();
  port_->setEnabled(on);
  address_->setEnabled(on);
  subject_->setEnabled(on);
}

void QuillonWindow::ServerChosen(int index) {
  if (index >= 0 && index < static_cast<int>(kMailboxPresets.size())) {
    const MailboxPreset& preset = kMailboxPresets[static_cast<std::size_t>(index)];
    server_->setEditText(Q(preset.mailbox));
    port_->setEditText(Q(preset.port));
    address_->setEditText(Q(kDefaultHost));
  }
  AddLogLine("Mail server set to \"" + S(server_->currentText()) + "@" +
             S(address_->currentText()) + "\", Port = \"" + S(port_->currentText()) + "\"");
}

void QuillonWindow::SwitchMeteredMail(bool on) {
  metered_->Switch(on);
}

void QuillonWindow::SaveAndClose() {
  QuillonSettings settings;
  settings.server = S(server_->currentText());
  settings.address = S(address_->currentText());
  settings.subject = S(subject_->text());
  settings.mailFrom = S(mailFrom_->text());
  settings.port = S(port_->currentText());
  for (int row = 0; row < queue_->count(); ++row) {
    settings.queue.push_back(S(queue_->item(row)->text()));
  }
  settings.Write();
  closing_ = true;
  close();
}

void QuillonWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    runner_->AbortAndWait();
    // Composers are windows of their own: they close (and keep their
    // settings) with the program.
    for (const QPointer<QWidget>& composer : composers_) {
      if (composer) {
        composer->close();
      }
    }
    event->accept();
    return;
  }
  event->ignore();
  boxes_->Ask("              Are you sure?", "Closing Quillon Application",
              MessageBoxIcon::kQuestion, [this](bool yes) {
                if (yes) {
                  SaveAndClose();
                }
              });
}

// Esc closes at once, without the question and without the settings file.
void QuillonWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    closing_ = true;
    close();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

std::string QuillonWindow::Mailbox() {
  return OnWindowThread([this] { return S(server_->currentText()); });
}
std::string QuillonWindow::HostText() {
  return OnWindowThread([this] { return S(address_->currentText()); });
}
std::string QuillonWindow::PortText() {
  return OnWindowThread([this] { return S(port_->currentText()); });
}
std::string QuillonWindow::MailFrom() {
  return OnWindowThread([this] { return S(mailFrom_->text()); });
}
std::string QuillonWindow::Subject() {
  return OnWindowThread([this] { return S(subject_->text()); });
}
void QuillonWindow::SetSubject(const std::string& text) {
  OnWindowThread([this, &text] { subject_->setText(Q(text)); });
}
void QuillonWindow::SetSubjectReadOnly(bool readOnly) {
  OnWindowThread([this, readOnly] { subject_->setReadOnly(readOnly); });
}
void QuillonWindow::EnableSendMail(bool enabled) {
  OnWindowThread([this, enabled] { sendMail_->setEnabled(enabled); });
}
bool QuillonWindow::MeteredChecked() {
  return OnWindowThread([this] { return metered_check_->isChecked(); });
}
void QuillonWindow::StopMeteredMail() {
  // Unchecking runs the switch through its signal.
  OnWindowThread([this] { metered_check_->setChecked(false); });
}
int QuillonWindow::QueueCount() {
  return OnWindowThread([this] { return queue_->count(); });
}
std::string QuillonWindow::QueueEntry(int index) {
  return OnWindowThread([this, index] {
    QListWidgetItem* item = queue_->item(index);
    return item != nullptr ? S(item->text()) : std::string();
  });
}
void QuillonWindow::DeleteQueueEntry(int index) {
  OnWindowThread([this, index] { delete queue_->takeItem(index); });
}
void QuillonWindow::AppendQueueEntry(const std::string& path) {
  OnWindowThread([this, &path] { queue_->addItem(Q(path)); });
}

std::string QuillonWindow::MailFrom() const {
  return S(mailFrom_->text());
}
void QuillonWindow::SetMailFrom(const std::string& text) {
  mailFrom_->setText(Q(text));
}
std::string QuillonWindow::Mailbox() const {
  return S(server_->currentText());
}
void QuillonWindow::SetMailbox(const std::string& text) {
  server_->setEditText(Q(text));
}
void QuillonWindow::InsertAtQueueHead(const std::string& path) {
  queue_->insertItem(0, Q(path));
}
void QuillonWindow::SendNextMailItem() {
  runner_->WaitUntilIdle();
  if (runner_->Start(true)) {
    runner_->WaitUntilIdle();
  }
}

}  // namespace kestrix
