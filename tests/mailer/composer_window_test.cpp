#include "mailer/composer_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSize>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

#include "common/qt_controls.h"
#include "mailer/bad_word_table.h"
#include "mailer/line_wrap.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/mailer/fake_composer_host.h"

namespace kestrix {
namespace {

using testing::ReadFile;
using testing::RecordingMessageBox;

void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    const int key = c == '\n' ? int(Qt::Key_Return) : int(c.toUpper().unicode());
    const QString sent = c == '\n' ? QString("\r") : QString(c);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, sent);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, sent);
    QApplication::sendEvent(widget, &release);
  }
}

// A key as the keyboard sends it, with its text.
void Key(QWidget* widget, int key) {
  const QString text = key == Qt::Key_Tab ? "\t" : "\r";
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
}

// The lines the field lays its text out in.
std::vector<std::string> ShownLines(QPlainTextEdit& edit) {
  std::vector<std::string> lines;
  for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
    QTextLayout* layout = block.layout();
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      lines.push_back(block.text().mid(line.textStart(), line.textLength()).toStdString());
    }
  }
  return lines;
}

int PdfPages(const std::string& path) {
  const QString pdf = QString::fromLatin1(ReadFile(path));
  return static_cast<int>(pdf.count(QRegularExpression("/Type\\s*/Page\\b")));
}

class ComposerWindowTest : public ::testing::Test {
 protected:
  ComposerWindowTest() {
    window = new ComposerWindow(host, box, loop);
    window->show();
    QApplication::processEvents();
  }
  ~ComposerWindowTest() override {
    delete window.data();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QAction* Action(int id) {
    for (QAction* action : window->findChildren<QAction*>()) {
      if (action->data().toInt() == id) {
        return action;
      }
    }
    ADD_FAILURE() << "no menu item " << id;
    return nullptr;
  }
  template <typename T>
  T* OpenDialog(const QString& title) {
    for (T* dialog : window->findChildren<T*>()) {
      if (dialog->isVisible() && dialog->windowTitle() == title) {
        return dialog;
      }
    }
    ADD_FAILURE() << "no dialog " << title.toStdString();
    return nullptr;
  }

  int argc = 1;
  char name[21] = "composer_window_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  testing::FakeComposerHost host;
  RecordingMessageBox box;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2024, 3, 1, 12, 0, 0)};
  QPointer<ComposerWindow> window;
};

TEST_F(ComposerWindowTest, OpensWithItsFieldsRulerAndMenu) {
  EXPECT_EQ(window->windowTitle(), "Quillon Editor");
  EXPECT_TRUE(window->isWindow());
  EXPECT_TRUE(QFontInfo(window->message_->font()).fixedPitch());
  EXPECT_EQ(window->from_->text(), "NOBODY");
  EXPECT_EQ(window->to_->currentText(), "GENERAL DELIVERY");
  EXPECT_EQ(window->to_->count(), 6);
  EXPECT_EQ(window->to_->itemText(4), "XYL'S");
  EXPECT_EQ(window->subject_->text(), "NOBODY FORGOT TO GIVE THIS A TITLE");
  EXPECT_EQ(window->subject_->selectedText(), window->subject_->text());
  EXPECT_EQ(window->sendNow_->text(), "&Send Now");
  EXPECT_TRUE(window->sendNow_->isDefault());

  std::vector<QString> labels;
  for (QLabel* label : window->findChildren<QLabel*>()) {
    labels.push_back(label->text());
  }
  for (const QString expected :
       {"FRO&M:", "T&O:", "S&UBJECT:",
        "123456789012345678901234567890123456789012345678901234567890123456789012",
        "         1         2         3         4         5         6         7"}) {
    EXPECT_NE(std::find(labels.begin(), labels.end(), expected), labels.end())
        << expected.toStdString();
  }

  const std::vector<std::pair<int, QString>> items = {
      {32771, "Open File..."},   {32772, "Save Page As..."},
      {32775, "Save to Queue"},  {57607, "Print"},
      {32773, "Quit"},           {32776, "Clear All"},
      {32777, "Select All"},     {32778, "Copy All to ClipBoard"},
      {32779, "Bad Word Search"}};
  for (const auto& [id, text] : items) {
    QAction* action = Action(id);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text().remove('&'), text);
    EXPECT_TRUE(action->text().contains('&')) << text.toStdString();
  }
}

TEST_F(ComposerWindowTest, TypingLowerCaseShowsUpperCase) {
  window->message_->clear();
  Type(window->message_, "qst de w1aw\nnet");
  EXPECT_EQ(window->message_->toPlainText(), "QST DE W1AW\nNET");
  window->subject_->clear();
  Type(window->subject_, "wx report");
  EXPECT_EQ(window->subject_->text(), "WX REPORT");
  window->to_->setEditText("");
  Type(window->to_->lineEdit(), "dx club");
  EXPECT_EQ(window->to_->currentText(), "DX CLUB");
  EXPECT_EQ(window->to_->count(), 6);  // typing adds no entry
  // Pasted and loaded text too.
  window->message_->clear();
  QApplication::clipboard()->setText("pasted text");
  window->message_->paste();
  EXPECT_EQ(window->message_->toPlainText(), "PASTED TEXT");
  testing::WriteFile("note.txt", "loaded");
  window->Commands().OpenFile("note.txt");
  EXPECT_EQ(window->message_->toPlainText(), "LOADED");
}

TEST_F(ComposerWindowTest, MessageFieldWrapsAtColumn72LikeTheSavedText) {
  window->message_->setPlainText(QString(72, 'A') + "\n" + QString(73, 'B'));
  QApplication::processEvents();
  EXPECT_EQ(ShownLines(*window->message_),
            (std::vector<std::string>{std::string(72, 'A'), std::string(72, 'B'), "B"}));

  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "WORD" + std::to_string(i % 10) + " ";
  }
  text += "\nEND " + std::string(100, 'Z');
  window->message_->setPlainText(QString::fromStdString(text));
  QApplication::processEvents();
  std::vector<std::string> expected;
  for (const LineWrap::Line& line : LineWrap::Lines(text)) {
    expected.push_back(line.text);
  }
  EXPECT_EQ(ShownLines(*window->message_), expected);
}

TEST_F(ComposerWindowTest, SendNowSavesAndMailsThroughTheMainWindow) {
  window->to_->setEditText("all hams");
  window->subject_->setText("net tonight");
  window->message_->clear();
  Type(window->message_, "qst\n");
  window->sendNow_->click();
  ASSERT_EQ(host.sessions.size(), 1u);
  EXPECT_EQ(host.sessions[0].mailbox, "ALL_HAMS!qerv");
  EXPECT_EQ(host.sessions[0].mailFrom, "NOBODY");
  EXPECT_EQ(host.sessions[0].queueHead, "AutoStartMail/NET_TONIGHT.txt");
  EXPECT_EQ(ReadFile("AutoStartMail/NET_TONIGHT.txt"), "QST\r\n");
  EXPECT_EQ(window->subject_->text(), "NET_TONIGHT");
  EXPECT_EQ(host.mailbox, "qerv");
  EXPECT_EQ(host.mailFrom, "NoBody");
}

TEST_F(ComposerWindowTest, EnterMakesANewLineInTheMessageAndSendsFromAField) {
  window->message_->setPlainText("AB");
  window->message_->moveCursor(QTextCursor::End);
  Key(window->message_, Qt::Key_Return);
  Key(window->message_, Qt::Key_Enter);
  EXPECT_EQ(window->message_->toPlainText(), "AB\n\n");
  EXPECT_TRUE(host.sessions.empty());
  Key(window->subject_, Qt::Key_Return);
  EXPECT_EQ(host.sessions.size(), 1u);
}

TEST_F(ComposerWindowTest, TabGoesFromFieldToFieldThenToSendNow) {
  QApplication::setActiveWindow(window);
  window->from_->setFocus();
  std::vector<QWidget*> visited{QApplication::focusWidget()};
  for (int i = 0; i < 4; ++i) {
    Key(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  ASSERT_EQ(visited.size(), 5u);
  EXPECT_EQ(visited[0], window->from_);
  EXPECT_TRUE(visited[1] == window->to_ || visited[1] == window->to_->lineEdit());
  EXPECT_EQ(visited[2], window->subject_);
  EXPECT_EQ(visited[3], window->message_);
  EXPECT_EQ(visited[4], window->sendNow_);
  EXPECT_EQ(window->message_->toPlainText(), "");  // no tab went in
}

TEST_F(ComposerWindowTest, PrintingToPdfGivesThePagesOfTheText) {
  window->message_->setPlainText(QString("LINE\n").repeated(165));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName("message.pdf");
  printer.setPageSize(QPageSize(QPageSize::Letter));
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
  window->PrintTo(printer);
  // Header lines, an empty line, 165 lines and the empty last one: 170
  // lines, at 60 to 80 lines a page (about ten inches, 0.13 inch a line).
  EXPECT_EQ(PdfPages("message.pdf"), 3);
  EXPECT_TRUE(box.shown.empty());

  // The menu's Print asks for a printer first.
  Action(57607)->trigger();
  QPrintDialog* dialog = nullptr;
  for (QPrintDialog* open : window->findChildren<QPrintDialog*>()) {
    dialog = open;
  }
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintToFile));
  EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
  dialog->reject();
}

TEST_F(ComposerWindowTest, OpenAndSaveDialogsLoadAndWriteTheMessage) {
  std::filesystem::create_directory("data");
  testing::WriteFile("data/MY_FIRST_NOTE.TXT", "HELLO \r\r\nWORLD\r\n");
  Action(32771)->trigger();
  auto* open = OpenDialog<QFileDialog>("Open - Load file into editor");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->directory().dirName(), "data");
  EXPECT_EQ(open->nameFilters(), (QStringList{"TXT Files (*.txt)", "All Files (*)"}));
  open->selectFile("MY_FIRST_NOTE.TXT");
  static_cast<QDialog*>(open)->accept();  // as OK does
  EXPECT_EQ(window->subject_->text(), "MY FIRST NOTE");
  EXPECT_EQ(window->message_->toPlainText(), "HELLO WORLD\n");

  Action(32772)->trigger();
  auto* save = OpenDialog<QFileDialog>("Save -- Write contents of editor to file");
  ASSERT_NE(save, nullptr);
  ASSERT_EQ(save->selectedFiles().size(), 1);
  EXPECT_TRUE(save->selectedFiles()[0].endsWith("data/MY_FIRST_NOTE.txt"));
  static_cast<QDialog*>(save)->accept();
  EXPECT_EQ(ReadFile("data/MY_FIRST_NOTE.txt"), "HELLO WORLD\r\n");
}

TEST_F(ComposerWindowTest, EditAndToolsCommands) {
  window->message_->setPlainText("QST DE W1AW");
  Action(32778)->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "QST DE W1AW");
  window->message_->moveCursor(QTextCursor::End);
  Action(32777)->trigger();
  EXPECT_EQ(window->message_->textCursor().selectedText(), "QST DE W1AW");

  Action(32779)->trigger();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "No bad words found");

  Action(32773)->trigger();
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[1].text, "OnFileQuit");
  EXPECT_EQ(box.shown[1].caption, "Menu Select");

  Action(32776)->trigger();
  EXPECT_EQ(window->message_->toPlainText(), "");
  EXPECT_EQ(window->to_->currentText(), "GENERAL DELIVERY");
}

// The search selects the word in the message and the replacement goes in
// there, in upper case like anything typed.
TEST_F(ComposerWindowTest, BadWordSearchReplacesTheWordInTheMessage) {
  const QString word = ToQString(std::string(BadWordTable::Word(0)));
  window->message_->setPlainText("QST\nDE " + word + " W1AW");
  QString selected;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      return;
    }
    selected = window->message_->textCursor().selectedText();
    auto* edit = dialog->findChild<QLineEdit*>("replacement");
    auto* replace = dialog->findChild<QPushButton*>("replace");
    if (edit == nullptr || replace == nullptr) {
      dialog->reject();
      return;
    }
    edit->setText("op");
    replace->click();
  });
  answer.start(0);
  Action(32779)->trigger();
  EXPECT_EQ(selected, word);
  EXPECT_EQ(window->message_->toPlainText(), "QST\nDE OP W1AW");
  EXPECT_TRUE(box.shown.empty());
}

TEST_F(ComposerWindowTest, ClosingWritesTheSettingsAndDeletesTheWindow) {
  window->to_->setEditText("dx club");
  window->close();
  EXPECT_EQ(ReadFile("RTTYEditor.INI"),
            "NOBODY\nDX CLUB\nNOBODY FORGOT TO GIVE THIS A TITLE\nGENERAL DELIVERY\n"
            "QST QST QST\nNEWS\nALL HAMS\nXYL'S\nSENIOR CITIZENS\nDX CLUB\n");
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
}

// The operator closes the window while its session runs: it goes only
// once the session is over.
TEST_F(ComposerWindowTest, ClosedDuringSendNowTheWindowGoesAfterTheSession) {
  bool aliveAfterClose = false;
  host.duringSession = [&] {
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    aliveAfterClose = !window.isNull();
  };
  window->sendNow_->click();
  EXPECT_TRUE(aliveAfterClose);
  EXPECT_EQ(host.mailbox, "qerv");
  EXPECT_TRUE(std::filesystem::exists("RTTYEditor.INI"));
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
}

}  // namespace
}  // namespace kestrix
