#pragma once
// "&About Kestrix...": the station's settings, the script commands and the
// text macros, listed anew each time the box is shown.

#include <QDialog>
#include <QListWidget>
#include <string>
#include <vector>

namespace kestrix {

class AboutWindow final : public QDialog {
 public:
  explicit AboutWindow(QWidget* parent);
  void SetLines(const std::vector<std::string>& lines);

 private:
  QListWidget* list_;
};

}  // namespace kestrix
