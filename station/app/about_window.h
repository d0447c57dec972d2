#pragma once
// "&About Kestrix...": the station's settings, the script commands and the
// text macros, listed anew each time the box opens.

#include <QDialog>
#include <string>
#include <vector>

namespace kestrix {

class AboutWindow final : public QDialog {
 public:
  AboutWindow(const std::vector<std::string>& lines, QWidget* parent);
};

}  // namespace kestrix
