#pragma once
// Widget adapters: the station's control interfaces on top of Qt widgets.

#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

#include "station/app/message_box.h"
#include "station/app/status_list.h"
#include "station/app/text_field.h"

namespace kestrix {

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

class QtMessageBox final : public MessageBox {
 public:
  explicit QtMessageBox(QWidget& parent) : parent_(parent) {}
  MessageBoxResult Show(const std::string& text, const std::string& caption,
                        MessageBoxButtons buttons) override;
  void Beep() override;

 private:
  QWidget& parent_;
};

}  // namespace kestrix
