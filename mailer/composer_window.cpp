// The composer's window: widgets and their adapters for the composer's
// commands, the upper-case rule of every field, the 72-column message
// field, and dialogs that open without a loop of their own.

#include "mailer/composer_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QValidator>
#include <cmath>
#include <filesystem>
#include <utility>

#include "common/column_ruler.h"
#include "common/qt_controls.h"
#include "common/text_case.h"
#include "mailer/bad_word_dialog.h"
#include "mailer/bad_word_search.h"
#include "mailer/cprinter.h"
#include "mailer/line_wrap.h"

namespace kestrix {

namespace {

// Menu command ids, as the menu resource numbers them.
constexpr int kOpenFileId = 32771;
constexpr int kSavePageAsId = 32772;
constexpr int kQuitId = 32773;
constexpr int kSaveToQueueId = 32775;
constexpr int kClearAllId = 32776;
constexpr int kSelectAllId = 32777;
constexpr int kCopyAllId = 32778;
constexpr int kBadWordSearchId = 32779;
constexpr int kPrintId = 57607;

constexpr const char* kStartDirectory = "data";
constexpr const char* kFilters = "TXT Files (*.txt);;All Files (*)";
constexpr int kDocumentMargin = 2;

std::string Latin1(const QString& text) {
  return text.toLatin1().toStdString();
}

// ASCII letters only, as the teleprinter knows them; the length stays, so
// the cursor does too.
QString Upper(QString text) {
  for (QChar& c : text) {
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
      c = QChar(c.unicode() - 'a' + 'A');
    }
  }
  return text;
}

// Whatever is typed, pasted or set into a line field shows in upper case.
class UpperCaseValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = Upper(input);
    return Acceptable;
  }
};

// The message field: typed, pasted and dropped text goes in upper case.
class UpperCaseTextEdit final : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QString upper = Upper(event->text());
    if (upper == event->text()) {
      QPlainTextEdit::keyPressEvent(event);
      return;
    }
    QKeyEvent typed(event->type(), event->key(), event->modifiers(), upper, event->isAutoRepeat(),
                    static_cast<quint16>(event->count()));
    QPlainTextEdit::keyPressEvent(&typed);
    event->setAccepted(typed.isAccepted());
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    const QString upper = Upper(event->commitString());
    if (upper == event->commitString()) {
      QPlainTextEdit::inputMethodEvent(event);
      return;
    }
    QInputMethodEvent typed(event->preeditString(), event->attributes());
    typed.setCommitString(upper, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&typed);
  }
  void insertFromMimeData(const QMimeData* source) override {
    QMimeData upper;
    upper.setText(Upper(source->text()));
    QPlainTextEdit::insertFromMimeData(&upper);
  }
};

class LineEditField final : public ComposerField {
 public:
  explicit LineEditField(QLineEdit& edit) : edit_(edit) {}
  void SetText(const std::string& text) override { edit_.setText(ToQString(text)); }
  std::string Text() const override { return Latin1(edit_.text()); }
  void SelectAll() override { edit_.selectAll(); }
  void Focus() override { edit_.setFocus(); }

 private:
  QLineEdit& edit_;
};

class ComboField final : public ComposerListField {
 public:
  explicit ComboField(QComboBox& combo) : combo_(combo) {}
  void SetText(const std::string& text) override { combo_.setEditText(ToQString(text)); }
  std::string Text() const override { return Latin1(combo_.currentText()); }
  void SelectAll() override { combo_.lineEdit()->selectAll(); }
  void Focus() override { combo_.setFocus(); }
  std::vector<std::string> Entries() const override {
    std::vector<std::string> entries;
    for (int i = 0; i < combo_.count(); ++i) {
      entries.push_back(Latin1(combo_.itemText(i)));
    }
    return entries;
  }
  void SetEntries(const std::vector<std::string>& entries) override {
    const QString text = combo_.currentText();
    combo_.clear();
    for (const std::string& entry : entries) {
      combo_.addItem(Upper(ToQString(entry)));
    }
    combo_.setEditText(text);
  }

 private:
  QComboBox& combo_;
};

// The message as the composer's commands and the banned-word search see
// it: line ends "\n", positions as in the field.
class MessageText final : public TextField, public MessageField {
 public:
  explicit MessageText(QPlainTextEdit& edit) : edit_(edit) {}
  void SetText(const std::string& text) override { edit_.setPlainText(Upper(ToQString(text))); }
  std::string Text() const override { return Latin1(edit_.toPlainText()); }
  void Select(std::size_t from, std::size_t to) override {
    QTextCursor cursor(edit_.document());
    cursor.setPosition(static_cast<int>(from));
    cursor.setPosition(static_cast<int>(to), QTextCursor::KeepAnchor);
    edit_.setTextCursor(cursor);
    edit_.ensureCursorVisible();
  }
  void ReplaceSelection(const std::string& text) override {
    edit_.insertPlainText(Upper(ToQString(text)));
  }

 private:
  QPlainTextEdit& edit_;
};

QFileDialog* NewFileDialog(QWidget* parent, const QString& title) {
  auto* dialog = new QFileDialog(parent, title, kStartDirectory, kFilters);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::NonModal);
  // A desktop's own dialog may run a loop of its own even when shown so.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  return dialog;
}

}  // namespace

ComposerWindow::ComposerWindow(ComposerHost& host, MessageBox& box, EventLoop& loop,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), box_(box), loop_(loop) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Quillon Editor");
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(9);
  setFont(font);
  BuildControls();

  fromField_ = std::make_unique<LineEditField>(*from_);
  toField_ = std::make_unique<ComboField>(*to_);
  subjectField_ = std::make_unique<LineEditField>(*subject_);
  messageField_ = std::make_unique<MessageText>(*message_);
  composer_ = std::make_unique<Composer>(
      ComposerFields{*fromField_, *toField_, *subjectField_, *messageField_}, host, box);
  composer_->Open();
}

ComposerWindow::~ComposerWindow() {
  // The dialog works on printer_, which goes before the children do.
  delete printDialog_;
}

void ComposerWindow::BuildControls() {
  auto* bar = new QMenuBar(this);
  BuildMenus(*bar);

  from_ = new QLineEdit(this);
  from_->setObjectName("from");
  from_->setValidator(new UpperCaseValidator(from_));
  to_ = new QComboBox(this);
  to_->setObjectName("to");
  to_->setEditable(true);
  to_->setInsertPolicy(QComboBox::NoInsert);
  to_->setValidator(new UpperCaseValidator(to_));
  subject_ = new QLineEdit(this);
  subject_->setObjectName("subject");
  subject_->setValidator(new UpperCaseValidator(subject_));

  message_ = new UpperCaseTextEdit(this);
  message_->setObjectName("message");
  message_->setTabChangesFocus(true);
  message_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  message_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  message_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  message_->document()->setDocumentMargin(kDocumentMargin);
  // Exactly 72 characters fit, the 73rd wraps: half a column to spare
  // keeps rounding from taking the 72nd away.
  const QFontMetricsF metrics(message_->font());
  const double column = metrics.horizontalAdvance(QLatin1Char('M'));
  message_->setTabStopDistance(column * LineWrap::kTabWidth);
  const int textWidth =
      static_cast<int>(std::ceil((LineWrap::kColumns + 0.5) * column)) + 2 * kDocumentMargin;
  message_->setFixedWidth(textWidth + 2 * message_->frameWidth() +
                          message_->verticalScrollBar()->sizeHint().width());
  message_->setMinimumHeight(static_cast<int>(metrics.height() * 16));

  // The ruler lines up with the first column of the text.
  const int rulerIndent = message_->frameWidth() + kDocumentMargin;
  auto* digits = new QLabel(ColumnRulerDigits(LineWrap::kColumns).c_str(), this);
  digits->setObjectName("rulerDigits");
  digits->setContentsMargins(rulerIndent, 0, 0, 0);
  auto* tens = new QLabel(ColumnRulerTens(LineWrap::kColumns).c_str(), this);
  tens->setObjectName("rulerTens");
  tens->setContentsMargins(rulerIndent, 0, 0, 0);

  sendNow_ = new QPushButton("&Send Now", this);
  sendNow_->setObjectName("sendNow");
  sendNow_->setDefault(true);
  connect(sendNow_, &QPushButton::clicked, this, [this] { SendNow(); });
  // Enter in a one-line field presses the default button, as in a dialog;
  // in the message it makes a new line.
  for (QLineEdit* edit : {from_, subject_, to_->lineEdit()}) {
    connect(edit, &QLineEdit::returnPressed, sendNow_, &QPushButton::click);
  }

  auto* fromLabel = new QLabel("FRO&M:", this);
  fromLabel->setBuddy(from_);
  auto* toLabel = new QLabel("T&O:", this);
  toLabel->setBuddy(to_);
  auto* subjectLabel = new QLabel("S&UBJECT:", this);
  subjectLabel->setBuddy(subject_);

  auto* fields = new QGridLayout;
  fields->addWidget(fromLabel, 0, 0);
  fields->addWidget(from_, 0, 1);
  fields->addWidget(toLabel, 1, 0);
  fields->addWidget(to_, 1, 1);
  fields->addWidget(subjectLabel, 2, 0);
  fields->addWidget(subject_, 2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addLayout(fields);
  layout->addWidget(message_, 1);
  layout->addWidget(digits);
  layout->addWidget(tens);
  layout->addWidget(sendNow_, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(from_, to_);
  setTabOrder(to_, subject_);
  setTabOrder(subject_, message_);
  setTabOrder(message_, sendNow_);
}

void ComposerWindow::BuildMenus(QMenuBar& bar) {
  auto add = [this](QMenu* menu, const char* text, int id, void (ComposerWindow::*command)()) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
  };
  QMenu* file = bar.addMenu("&File");
  add(file, "&Open File...", kOpenFileId, &ComposerWindow::OpenFile);
  add(file, "Save Page &As...", kSavePageAsId, &ComposerWindow::SavePageAs);
  add(file, "&Save to Queue", kSaveToQueueId, &ComposerWindow::SaveToQueue);
  add(file, "&Print", kPrintId, &ComposerWindow::Print);
  add(file, "&Quit", kQuitId, &ComposerWindow::Quit);
  QMenu* edit = bar.addMenu("&Edit");
  add(edit, "&Clear All", kClearAllId, &ComposerWindow::ClearAll);
  add(edit, "Select &All", kSelectAllId, &ComposerWindow::SelectAll);
  add(edit, "C&opy All to ClipBoard", kCopyAllId, &ComposerWindow::CopyAll);
  QMenu* tools = bar.addMenu("&Tools");
  add(tools, "&Bad Word Search", kBadWordSearchId, &ComposerWindow::BadWordSearch);
}

template <typename Command>
void ComposerWindow::WhileBusy(Command command) {
  ++busy_;
  command();
  if (--busy_ == 0 && deleteWhenIdle_) {
    deleteLater();
  }
}

void ComposerWindow::closeEvent(QCloseEvent* event) {
  composer_->Close();
  if (busy_ > 0) {
    // A session or search still runs on this window's stack.
    setAttribute(Qt::WA_DeleteOnClose, false);
    deleteWhenIdle_ = true;
  }
  event->accept();
}

void ComposerWindow::OpenFile() {
  if (openDialog_ != nullptr) {
    openDialog_->raise();
    return;
  }
  openDialog_ = NewFileDialog(this, "Open - Load file into editor");
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  connect(openDialog_, &QFileDialog::fileSelected, this,
          [this](const QString& path) { composer_->OpenFile(Latin1(path)); });
  openDialog_->show();
}

void ComposerWindow::SavePageAs() {
  if (saveDialog_ != nullptr) {
    saveDialog_->raise();
    return;
  }
  const QString title = "Save -- Write contents of editor to file";
  saveDialog_ = NewFileDialog(this, title);
  saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
  // The question comes from our own box, which does not hold the window.
  saveDialog_->setOption(QFileDialog::DontConfirmOverwrite);
  saveDialog_->selectFile(ToQString(composer_->ProposedPageName()));
  connect(saveDialog_, &QFileDialog::fileSelected, this, [this, title](const QString& path) {
    const std::string chosen = Latin1(path);
    QPointer<ComposerWindow> self(this);
    auto save = [self, chosen](bool yes) {
      if (yes && self != nullptr) {
        self->composer_->SavePage(chosen);
      }
    };
    std::error_code ignored;
    if (std::filesystem::exists(chosen, ignored)) {
      const std::string name = Latin1(QFileInfo(path).fileName());
      box_.Ask(name + " already exists.\nDo you want to replace it?", Latin1(title),
               MessageBoxIcon::kWarning, save);
    } else {
      save(true);
    }
  });
  saveDialog_->show();
}

void ComposerWindow::SaveToQueue() {
  composer_->SaveToQueue();
}

void ComposerWindow::Print() {
  if (printDialog_ != nullptr) {
    printDialog_->raise();
    return;
  }
  if (printer_ == nullptr) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  }
  printDialog_ = new QPrintDialog(printer_.get(), this);
  printDialog_->setAttribute(Qt::WA_DeleteOnClose);
  printDialog_->setOption(QAbstractPrintDialog::PrintToFile, false);
  printDialog_->setOption(QAbstractPrintDialog::PrintPageRange, false);
  connect(printDialog_, &QDialog::accepted, this, [this] { PrintTo(*printer_); });
  printDialog_->open();
}

void ComposerWindow::PrintTo(QPrinter& printer) {
  CPrinter job(printer);
  if (!job.StartDocument()) {
    box_.Show("Print : Cannot start the document", "Error", MessageBoxIcon::kStop);
    return;
  }
  for (const std::string& line : composer_->PrintLines()) {
    job.PrintLine(ToQString(line));
  }
  job.EndDocument();
}

void ComposerWindow::Quit() {
  box_.Show("OnFileQuit", "Menu Select", MessageBoxIcon::kNone);
}

void ComposerWindow::ClearAll() {
  composer_->ClearAll();
}

void ComposerWindow::SelectAll() {
  message_->selectAll();
  message_->ensureCursorVisible();
}

void ComposerWindow::CopyAll() {
  message_->selectAll();
  message_->copy();
}

void ComposerWindow::BadWordSearch() {
  WhileBusy([this] {
    MessageText field(*message_);
    BadWordDialog dialog(this);
    kestrix::BadWordSearch(field, dialog, box_, loop_).Run();
  });
}

void ComposerWindow::SendNow() {
  WhileBusy([this] { composer_->SendNow(); });
}

}  // namespace kestrix
