// "Search for Bad Word": the answer and the replacement text it hands back
// to the search, operated as the operator would from inside its own loop.

#include "mailer/bad_word_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace kestrix {
namespace {

class BadWordDialogTest : public ::testing::Test {
 protected:
  // Runs `operate` on the dialog once it is up, then returns Ask's answer.
  BadWordAnswer AskOperated(const std::string& proposed,
                            const std::function<void(QDialog&)>& operate) {
    bool operated = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        ADD_FAILURE() << "no modal dialog";
        return;
      }
      operated = true;
      operate(*dialog);
      // A dialog that stays open fails the test instead of hanging it.
      QTimer::singleShot(0, dialog, [dialog] {
        ADD_FAILURE() << "the dialog stayed open";
        dialog->done(-1);
      });
    });
    BadWordDialog prompt(&parent);
    const BadWordAnswer answer = prompt.Ask(proposed, replacement);
    EXPECT_TRUE(operated);
    return answer;
  }

  int argc = 1;
  char name[21] = "bad_word_dialog_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  QWidget parent;
  std::string replacement = "untouched";
};

QLineEdit* Edit(QDialog& dialog) {
  auto* edit = dialog.findChild<QLineEdit*>("replacement");
  EXPECT_NE(edit, nullptr);
  return edit;
}

TEST_F(BadWordDialogTest, OffersTheWordAllSelectedWithTheFocus) {
  const BadWordAnswer answer = AskOperated("DAMN", [](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Search for Bad Word");
    auto* prompt = dialog.findChild<QLabel*>();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->text(), "Type in Replacement Text String");
    QLineEdit* edit = Edit(dialog);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "DAMN");
    EXPECT_EQ(edit->selectedText(), "DAMN");
    EXPECT_EQ(dialog.focusWidget(), edit);
    EXPECT_TRUE(QFontInfo(edit->font()).fixedPitch());
    dialog.findChild<QPushButton*>("accept")->click();
  });
  EXPECT_EQ(answer, BadWordAnswer::kAccept);
}

TEST_F(BadWordDialogTest, TheDefaultButtonReplacesWithTheEditedText) {
  const BadWordAnswer answer = AskOperated("DAMN", [](QDialog& dialog) {
    Edit(dialog)->setText("DARN");
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      if (button->isDefault()) {
        EXPECT_EQ(button->text(), "&Replace");
        button->click();
        return;
      }
    }
    ADD_FAILURE() << "no default button";
  });
  EXPECT_EQ(answer, BadWordAnswer::kReplace);
  EXPECT_EQ(replacement, "DARN");
}

TEST_F(BadWordDialogTest, EnterReplacesWithAtMost255Characters) {
  const BadWordAnswer answer = AskOperated("DAMN", [](QDialog& dialog) {
    QLineEdit* edit = Edit(dialog);
    edit->setText(QString(300, 'X'));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
  });
  EXPECT_EQ(answer, BadWordAnswer::kReplace);
  EXPECT_EQ(replacement, std::string(255, 'X'));
}

TEST_F(BadWordDialogTest, RejectEscAndCancelEndTheSearch) {
  EXPECT_EQ(AskOperated("DAMN", [](QDialog& dialog) { dialog.reject(); }), BadWordAnswer::kCancel);
  EXPECT_EQ(AskOperated("DAMN",
                        [](QDialog& dialog) {
                          QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                          QApplication::sendEvent(Edit(dialog), &esc);
                        }),
            BadWordAnswer::kCancel);
  EXPECT_EQ(AskOperated("DAMN",
                        [](QDialog& dialog) {
                          auto* cancel = dialog.findChild<QPushButton*>("cancel");
                          EXPECT_EQ(cancel->text(), "&Cancel");
                          cancel->click();
                        }),
            BadWordAnswer::kCancel);
  EXPECT_EQ(replacement, "untouched");
}

}  // namespace
}  // namespace kestrix
