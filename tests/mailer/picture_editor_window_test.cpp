// The picture editor's window: what it shows of a file, what it saves, and
// what it tells the operator.

#include "mailer/picture_editor_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>
#include <string>

#include "tests/common_support/recording_controls.h"
#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

using namespace std::string_literals;

template <typename T>
T* Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QStringList Items(QComboBox& combo) {
  QStringList items;
  for (int i = 0; i < combo.count(); ++i) {
    items << combo.itemText(i);
  }
  return items;
}

class PictureEditorWindowTest : public ::testing::Test {
 protected:
  int argc = 1;
  char name[27] = "picture_editor_window_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  testing::RecordingMessageBox box;
};

TEST_F(PictureEditorWindowTest, ShowsTheFileWithItsLineEndSigns) {
  testing::WriteFile("PIC.TXT", "A\r\nb\rC");
  std::filesystem::create_directory("AutoStartMail");
  testing::WriteFile("AutoStartMail/ZULU.txt", "");
  testing::WriteFile("AutoStartMail/ALPHA.txt", "");
  testing::WriteFile("AutoStartMail/.hidden", "");

  PictureEditorWindow window("PIC.TXT", box, nullptr);
  EXPECT_EQ(window.windowTitle(), "VUZAVid  BAUDOT Picture Editor (with overstrike support)");
  auto* picture = Child<QPlainTextEdit>(window, "picture");
  auto* file = Child<QComboBox>(window, "file");
  auto* saveName = Child<QLineEdit>(window, "saveName");
  ASSERT_TRUE(picture && file && saveName);
  EXPECT_EQ(picture->toPlainText(), "A<<^\nB<<\nC");
  EXPECT_EQ(picture->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(file->currentText(), "PIC.TXT");
  EXPECT_EQ(Items(*file), (QStringList{"PIC.TXT", "ALPHA.txt", "ZULU.txt"}));
  EXPECT_EQ(saveName->text(), "PIC.TXT.mod");
  EXPECT_TRUE(box.shown.empty());

  // The ruler is in the text's own fixed-pitch font.
  EXPECT_TRUE(QFontInfo(picture->font()).fixedPitch());
  QStringList texts;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    texts << label->text();
    if (label->text().startsWith("123")) {
      EXPECT_EQ(label->font(), picture->font());
    }
  }
  EXPECT_TRUE(texts.contains(QString("1234567890").repeated(9)));
  QString tens;
  for (int ten = 1; ten <= 9; ++ten) {
    tens += QString(9, ' ') + QString::number(ten);
  }
  EXPECT_TRUE(texts.contains(tens));
  EXPECT_TRUE(texts.contains("'<' = CR"));
  EXPECT_TRUE(texts.contains("'^' = LF"));
}

TEST_F(PictureEditorWindowTest, SavesTheEditedPictureByteForByte) {
  testing::WriteFile("PIC.TXT", "A\r\nB");
  PictureEditorWindow window("PIC.TXT", box, nullptr);
  auto* save = Child<QPushButton>(window, "saveFile");
  auto* picture = Child<QPlainTextEdit>(window, "picture");
  ASSERT_TRUE(save && picture);

  save->click();
  EXPECT_EQ(testing::ReadFile("PIC.TXT.mod"), "A\r\r\nB\0"s);
  EXPECT_EQ(testing::ReadFile("PIC.TXT"), "A\r\nB");  // the original stays
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "Task complete");
  EXPECT_EQ(box.shown[0].caption, "File Saved");

  // Typed text: letters upper-cased, signs outside the set as zero bytes,
  // the field's own line breaks dropped.
  picture->setPlainText("ry<\n de^\nx~\u00e9y");
  save->click();
  EXPECT_EQ(testing::ReadFile("PIC.TXT.mod"), "RY\r DE\nX\0\0Y\0"s);
}

TEST_F(PictureEditorWindowTest, SavesUnderTheNameInTheSaveField) {
  testing::WriteFile("PIC.TXT", "X");
  PictureEditorWindow window("PIC.TXT", box, nullptr);
  auto* save = Child<QPushButton>(window, "saveFile");
  auto* saveName = Child<QLineEdit>(window, "saveName");
  ASSERT_TRUE(save && saveName);

  saveName->setText("OTHER.TXT");
  save->click();
  EXPECT_EQ(testing::ReadFile("OTHER.TXT"), "X\0"s);
  EXPECT_FALSE(std::filesystem::exists("PIC.TXT.mod"));

  saveName->setText("NoSuchDir/PIC.mod");
  save->click();
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[1].text, "NoSuchDir/PIC.mod");
  EXPECT_EQ(box.shown[1].caption, "Cannot Open Write File");
}

TEST_F(PictureEditorWindowTest, AMissingFileIsReportedOnceTheWindowIsUp) {
  PictureEditorWindow window("GONE.TXT", box, nullptr);
  auto* picture = Child<QPlainTextEdit>(window, "picture");
  auto* saveName = Child<QLineEdit>(window, "saveName");
  ASSERT_TRUE(picture && saveName);
  EXPECT_TRUE(picture->toPlainText().isEmpty());
  EXPECT_EQ(saveName->text(), "GONE.TXT.mod");

  window.show();
  QApplication::processEvents();
  window.hide();
  window.show();
  QApplication::processEvents();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].text, "GONE.TXT");
  EXPECT_EQ(box.shown[0].caption, "File doesn't exist!");
}

TEST_F(PictureEditorWindowTest, ButtonsHaveMnemonicsAndLoadIsDisabled) {
  testing::WriteFile("PIC.TXT", "X");
  PictureEditorWindow window("PIC.TXT", box, nullptr);
  auto* load = Child<QPushButton>(window, "loadFile");
  auto* save = Child<QPushButton>(window, "saveFile");
  ASSERT_TRUE(load && save);
  EXPECT_EQ(load->text(), "&Load File");
  EXPECT_FALSE(load->isEnabled());
  EXPECT_EQ(save->text(), "&Save File");
  // Enter in a field saves nothing.
  EXPECT_FALSE(save->isDefault() || save->autoDefault());
}

}  // namespace
}  // namespace kestrix
