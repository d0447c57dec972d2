#include "station/app/main_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <algorithm>

#include "station/app/about_window.h"
#include "station/audio/sound_card_setup_window.h"
#include "station/config/control_ids.h"
#include "station/queue/schedule_editor_window.h"

namespace kestrix {

namespace {

QFont Fixed() {
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QLineEdit* Field(const char* name, int controlId) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  edit->setProperty("controlId", controlId);
  edit->setReadOnly(true);
  return edit;
}

// Wide enough for the longest of `texts` whole, as the field lays out its
// text inside its frame.
void FitTexts(QLineEdit* field, const QStringList& texts) {
  int widest = 0;
  for (const QString& text : texts) {
    widest = std::max(widest, field->fontMetrics().horizontalAdvance(text));
  }
  QStyleOptionFrame option;
  option.initFrom(field);
  option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
  const QMargins margins = field->textMargins();
  constexpr int kLineEditMargin = 2;  // QLineEdit's own, each side
  const int contents = widest + margins.left() + margins.right() + 2 * kLineEditMargin + 2;
  const QSize size = field->style()->sizeFromContents(
      QStyle::CT_LineEdit, &option, QSize(contents, field->fontMetrics().height()), field);
  field->setMinimumWidth(size.width());
}

QWidget* Labelled(const QString& label, QWidget* field) {
  auto* box = new QWidget;
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(label));
  layout->addWidget(field);
  return box;
}

QPushButton* Button(const QString& text, int controlId, const std::function<void()>& onClick) {
  auto* button = new QPushButton(text);
  button->setObjectName(text);
  button->setProperty("controlId", controlId);
  QObject::connect(button, &QPushButton::clicked, onClick);
  return button;
}

class MainWindowDialogs final : public StationDialogs {
 public:
  MainWindowDialogs(StationSettings& settings, const TimeSource& clock, const ScriptHelp& help,
                    QWidget& window)
      : settings_(settings), clock_(clock), help_(help), window_(window) {}
  // Made on first use and kept: closing it only hides it.
  void ShowScheduleEditor() override {
    if (scheduleEditor_ == nullptr) {
      scheduleEditor_ = new ScheduleEditorWindow(settings_, clock_, help_, &window_);
    }
    scheduleEditor_->show();
    scheduleEditor_->raise();
  }
  // One dialog at a time; its OK stores the tones when it comes.
  void ShowSoundCardSetup() override {
    if (setup_ == nullptr) {
      setup_ = new SoundCardSetupWindow(settings_, &window_);
      setup_->setAttribute(Qt::WA_DeleteOnClose);
    }
    setup_->show();
    setup_->raise();
  }

 private:
  StationSettings& settings_;
  const TimeSource& clock_;
  const ScriptHelp& help_;
  QWidget& window_;
  QPointer<SoundCardSetupWindow> setup_;
  QPointer<ScheduleEditorWindow> scheduleEditor_;
};

}  // namespace

CKestrixDlg::CKestrixDlg(EventLoop& loop, StationDevices devices,
                         WindowClock::EndProcess endProcess)
    : chooserCombo_(new QComboBox),
      queueList_(new QListWidget),
      clockEdit_(Field("clock", 0)),
      charactersLeftEdit_(Field("sendQueue", control::kCharactersLeft)),
      countDownEdit_(Field("countDown", control::kCountDown)),
      cwIdEdit_(Field("cwId", control::kCwIdCountdown)),
      scheduleEdit_(Field("scheduleStatus", control::kScheduleStatus)),
      transmitEdit_(Field("transmitStatus", control::kTransmitStatus)),
      flowEdit_(Field("flowStatus", control::kFlowStatus)),
      fileNameEdit_(Field("fileName", control::kFileNameLine)),
      textEdit_(new QPlainTextEdit),
      eventList_(new QListWidget),
      chatTree_(new QTreeWidget),
      killButton_(
          Button("Kill", control::kKillChatUser, [this] { commands_->chatUsers.OnKill(); })),
      statusList_(*eventList_),
      clockField_(*clockEdit_),
      charactersLeftField_(*charactersLeftEdit_),
      countDownField_(*countDownEdit_),
      cwIdField_(*cwIdEdit_),
      scheduleField_(*scheduleEdit_),
      transmitStatusField_(*transmitEdit_),
      flowField_(*flowEdit_),
      fileNameField_(*fileNameEdit_),
      title_(*this),
      chatUsers_(*chatTree_, *killButton_),
      textPane_(*textEdit_),
      chooser_(*chooserCombo_),
      messageBox_(*this) {
  setWindowTitle("kestrix ");
  setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  endProcess_ = endProcess;
  station_ = std::make_unique<Station>(loop, *this, devices, std::move(endProcess));
  commands_ = std::make_unique<StationCommands>(station_->Commands());
  dialogs_ = std::make_unique<MainWindowDialogs>(commands_->settings, loop,
                                                 station_->QueuePart().Help(), *this);
  queueView_ = std::make_unique<QtQueueList>(*queueList_, commands_->queue);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildChooserRow());
  queueList_->setObjectName("queue");
  queueList_->setProperty("controlId", control::kQueueList);
  queueList_->setFont(Fixed());
  // One line per item in a fixed font: without this every change lays out
  // every item again, which a busy mail intake feels.
  queueList_->setUniformItemSizes(true);
  layout->addWidget(queueList_, 2);
  auto* middle = new QHBoxLayout;
  auto* fieldsAndControls = new QVBoxLayout;
  fieldsAndControls->addWidget(BuildFieldRow());
  fieldsAndControls->addWidget(BuildControlGroups());
  middle->addLayout(fieldsAndControls, 3);
  middle->addWidget(BuildChatGroup(), 2);
  layout->addLayout(middle);
  layout->addWidget(BuildTextPane(), 3);
  eventList_->setObjectName("eventList");
  eventList_->setProperty("controlId", control::kEventList);
  eventList_->setFont(Fixed());
  eventList_->setUniformItemSizes(true);
  layout->addWidget(eventList_, 2);
  setCentralWidget(central);
  BuildMenus();
  resize(900, 800);

  connect(queueList_, &QListWidget::itemDoubleClicked, this, [this] { OnQueueDoubleClick(); });
}

CKestrixDlg::~CKestrixDlg() = default;

QWidget* CKestrixDlg::BuildChooserRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  chooserCombo_->setObjectName("fileChooser");
  chooserCombo_->setProperty("controlId", control::kFileChooser);
  chooserCombo_->setEditable(true);
  chooserCombo_->setInsertPolicy(QComboBox::NoInsert);
  layout->addWidget(chooserCombo_, 1);
  layout->addWidget(Button("R", control::kRefreshFileChooser,
                           [this] { commands_->queueCommands.RefreshFileChooser(); }));
  layout->addWidget(Labelled("Time", clockEdit_));
  clockEdit_->setFont(Fixed());
  clockEdit_->setMinimumWidth(clockEdit_->fontMetrics().horizontalAdvance(QString(26, 'W')));
  return row;
}

QWidget* CKestrixDlg::BuildFieldRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Labelled("SendQueue", charactersLeftEdit_));
  layout->addWidget(Labelled("CountDown", countDownEdit_));
  layout->addWidget(Labelled("CWId", cwIdEdit_));
  return row;
}

QWidget* CKestrixDlg::BuildChatGroup() {
  auto* box = new QGroupBox("Status");
  auto* layout = new QVBoxLayout(box);
  chatTree_->setObjectName("chatUsers");
  chatTree_->setProperty("controlId", control::kChatUsers);
  chatTree_->setRootIsDecorated(false);
  chatTree_->setHeaderLabels({"Chat User", "Login Time", "PID", "IP Address"});
  const int widths[] = {120, 140, 60, 130};
  for (int column = 0; column < 4; ++column) {
    chatTree_->setColumnWidth(column, widths[column]);
  }
  layout->addWidget(chatTree_);
  // Choosing a user enables Kill; a right click disables it.
  chatTree_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(chatTree_, &QTreeWidget::itemSelectionChanged, this,
          [this] { commands_->chatUsers.OnListClick(); });
  connect(chatTree_, &QTreeWidget::customContextMenuRequested, this,
          [this] { commands_->chatUsers.OnListRightClick(); });
  killButton_->setEnabled(false);
  layout->addWidget(killButton_);
  return box;
}

QWidget* CKestrixDlg::BuildControlGroups() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto group = [&](const QString& title, QLineEdit* field, std::vector<QPushButton*> buttons) {
    auto* box = new QGroupBox(title);
    auto* inner = new QHBoxLayout(box);
    inner->addWidget(field);
    for (QPushButton* b : buttons) {
      inner->addWidget(b);
    }
    layout->addWidget(box);
  };
  // Every text the logic puts in the three state fields.
  FitTexts(scheduleEdit_, {"ENABLE", "DISABLED", "AutoStart", "AutoWait"});
  FitTexts(transmitEdit_, {"  ON  ", "  OFF  "});
  FitTexts(flowEdit_, {"PAUSE", "RESUME", "CANCEL"});
  TransmitCycle& cycle = commands_->cycle;
  Transmitter& tx = commands_->transmitter;
  group("Schedule", scheduleEdit_,
        {Button("Enable", control::kScheduleEnable, [&cycle] { cycle.CmEnable(); }),
         Button("Disable", control::kScheduleDisable, [&cycle] { cycle.CmDisable(); })});
  group("Transmit", transmitEdit_,
        {Button("ON", control::kTransmitOn, [&tx] { tx.CmTX(); }),
         Button("OFF", control::kTransmitOff, [&tx] { tx.CmRX(); })});
  group("Flow", flowEdit_,
        {Button("Pause", control::kFlowPause, [&cycle] { cycle.CmPause(); }),
         Button("Resume", control::kFlowResume, [&cycle] { cycle.CmResume(); }),
         Button("CANCEL", control::kFlowCancel, [&cycle] { cycle.CmCancel(); })});
  return row;
}

QWidget* CKestrixDlg::BuildTextPane() {
  auto* box = new QWidget;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(fileNameEdit_);
  textEdit_->setObjectName("textPane");
  textEdit_->setProperty("controlId", control::kTransmittedText);
  textEdit_->setReadOnly(true);
  textEdit_->setFont(Fixed());
  textEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  textEdit_->setStyleSheet("QPlainTextEdit { padding-left: 0px; padding-right: 75px; }");
  layout->addWidget(textEdit_, 1);
  // An 80-column ruler under the pane, for the teleprinter's line length.
  QString ruler;
  for (int i = 1; i <= 8; ++i) {
    ruler += QString("----+---%1").arg(i);
  }
  auto* rulerLabel = new QLabel(ruler);
  rulerLabel->setFont(Fixed());
  layout->addWidget(rulerLabel);
  return box;
}

void CKestrixDlg::OnQueueDoubleClick() {
  if (chooser_.EditText().empty()) {
    commands_->queueCommands.OpenQueueEntryInEditor();
  } else {
    commands_->queueCommands.AddFileToQueue();
  }
}

void CKestrixDlg::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!chooser_.EditText().empty()) {
    commands_->queueCommands.AddFileToQueue();
  }
  QMainWindow::mouseDoubleClickEvent(event);
}

// Escape and Ctrl-Break only beep: the window closes through its close
// question alone. Enter does nothing. Down opens the file chooser's list.
void CKestrixDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Cancel ||
      (event->key() == Qt::Key_Pause && event->modifiers() & Qt::ControlModifier)) {
    messageBox_.Beep();
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    return;
  }
  if (event->key() == Qt::Key_Down) {
    chooserCombo_->showPopup();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void CKestrixDlg::closeEvent(QCloseEvent* event) {
  // A second close while the shutdown waits (a second SIGINT) changes nothing.
  if (shutDown_) {
    event->ignore();
    return;
  }
  if (askBeforeClosing_ && !closeConfirmed_) {
    AskBeforeClosing();
    if (!closeConfirmed_) {
      event->ignore();
      return;
    }
  }
  shutDown_ = true;
  commands_->station.Shutdown();
  event->accept();
  // The program ends here, even when the close came while a transmission
  // waited inside the event loop: nothing is left to save, and the log
  // file is closed after every line.
  endProcess_(0);
}

// The close question waits for nobody: a file being sent goes on while it
// is up, and the window closes when Yes comes. Without a display the answer
// comes at once, inside the close that asked.
void CKestrixDlg::AskBeforeClosing() {
  if (closeAsked_) {
    return;
  }
  closeAsked_ = true;
  askingNow_ = true;
  messageBox_.Ask("              Are you sure?", "Closing Kestrix Application",
                  MessageBoxIcon::kNone, [this](bool yes) {
                    closeAsked_ = false;
                    closeConfirmed_ = yes;
                    if (yes && !askingNow_) {
                      close();
                    }
                  });
  askingNow_ = false;
}

void CKestrixDlg::CloseWithoutQuestion() {
  askBeforeClosing_ = false;
  close();
}

// Each window below opens without a loop of its own: a file being sent
// goes on while it is up.
void CKestrixDlg::ShowAbout() {
  if (about_ == nullptr) {
    about_ = new AboutWindow(this);
    about_->setAttribute(Qt::WA_DeleteOnClose);
  }
  about_->SetLines(commands_->station.AboutLines());
  about_->show();
  about_->raise();
}

void CKestrixDlg::AddMultipleFiles() {
  if (fileDialog_ != nullptr) {
    fileDialog_->raise();
    return;
  }
  fileDialog_ =
      new QFileDialog(this, "Open - Kestrix Controller Files to Load",
                      QString::fromStdString(commands_->settings.QERVDataPath),
                      "TXT Files (*.txt);;DOC Files (*.doc);;Pictures (*.pix);;All Files (*)");
  fileDialog_->setAttribute(Qt::WA_DeleteOnClose);
  fileDialog_->setFileMode(QFileDialog::ExistingFiles);
  fileDialog_->setWindowModality(Qt::NonModal);
  // A desktop's own dialog may run a loop of its own even when shown so.
  fileDialog_->setOption(QFileDialog::DontUseNativeDialog);
  connect(fileDialog_, &QFileDialog::filesSelected, this, [this](const QStringList& chosen) {
    std::vector<std::string> sources;
    for (const QString& file : chosen) {
      sources.push_back(file.toStdString());
    }
    commands_->import.ImportFiles(sources);
  });
  fileDialog_->show();
}

}  // namespace kestrix
