#include "station/app/about_window.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>

namespace kestrix {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent), list_(new QListWidget) {
  setWindowTitle("About Kestrix");
  list_->setObjectName("aboutListing");
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(560, 600);
}

void AboutWindow::SetLines(const std::vector<std::string>& lines) {
  list_->clear();
  for (const std::string& line : lines) {
    list_->addItem(QString::fromLatin1(line));
  }
}

}  // namespace kestrix
