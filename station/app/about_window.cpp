#include "station/app/about_window.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>

namespace kestrix {

AboutWindow::AboutWindow(const std::vector<std::string>& lines, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Kestrix");
  auto* list = new QListWidget;
  list->setObjectName("aboutListing");
  list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  for (const std::string& line : lines) {
    list->addItem(QString::fromLatin1(line));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list);
  layout->addWidget(buttons);
  resize(560, 600);
}

}  // namespace kestrix
