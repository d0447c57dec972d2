#pragma once
// The picture editor: a teleprinter art file shown with its CRs and LFs as
// '<' and '^', edited in a fixed-pitch field under a 90-column ruler, and
// saved as binary beside the original.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

#include "common/message_box.h"

namespace kestrix {

class PictureEditorWindow final : public QDialog {
 public:
  // Loads `path` at once; the save name becomes `path` + ".mod". `box`
  // shows this window's notices and must outlive it.
  PictureEditorWindow(const std::string& path, MessageBox& box, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Save();

  MessageBox& box_;
  std::string path_;
  // A missing file is reported once the window is up, so that the notice
  // is not hidden behind it.
  bool missing_ = false;
  QComboBox* file_;
  QPlainTextEdit* picture_;
  QPushButton* load_;
  QPushButton* save_;
  QLineEdit* saveName_;
};

}  // namespace kestrix
