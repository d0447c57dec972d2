// Line printing on a QPainter over the chosen printer, with the page
// header drawn on a saved painter state.

#include "mailer/cprinter.h"

#include <QFontMetricsF>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrix {

namespace {

// The font's size is given for this resolution and scaled to the printer's.
constexpr double kFontDpi = 600.0;
constexpr double kFontUnits = 60.0;

}  // namespace

CPrinter::CPrinter(QPrinter& printer, QString programName)
    : printer_(printer), programName_(std::move(programName)) {}

CPrinter::~CPrinter() {
  if (painter_.isActive()) {
    painter_.end();
  }
}

bool CPrinter::StartDocument() {
  printer_.setDocName(programName_);
  if (!painter_.begin(&printer_)) {
    return false;
  }
  topMargin_ = printer_.logicalDpiY() / 2;
  leftMargin_ = printer_.logicalDpiX() / 2;
  pageHeight_ = printer_.height();
  pageWidth_ = printer_.width();
  pageCount_ = 0;
  pageOpen_ = false;
  SelectPrintFont();
  return true;
}

void CPrinter::SelectPrintFont() {
  const double units = kFontUnits * printer_.logicalDpiY() / kFontDpi;
  QFont font("Courier");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setWeight(QFont::Normal);
  font.setPixelSize(static_cast<int>(std::lround(units)));
  // Courier is narrower than it is high: stretched, every character cell
  // has the full width.
  const double natural = QFontMetricsF(font, &printer_).horizontalAdvance(QLatin1Char('M'));
  const double width = kFontUnits * printer_.logicalDpiX() / kFontDpi;
  if (natural > 0) {
    font.setStretch(static_cast<int>(std::lround(100 * width / natural)));
  }
  painter_.setFont(font);
  const QFontMetrics metrics(font, &printer_);
  const int internalLeading = metrics.height() - font.pixelSize();
  lineHeight_ = metrics.height() + std::max(internalLeading, 0);
}

void CPrinter::PrintLine(const QString& line) {
  if (!painter_.isActive()) {
    return;
  }
  if (!pageOpen_) {
    OpenPage();
  } else if (currentLine_ > pageHeight_ - topMargin_) {
    OpenPage();
  }
  painter_.drawText(leftMargin_, currentLine_ + painter_.fontMetrics().ascent(), line);
  currentLine_ += lineHeight_;
}

void CPrinter::OpenPage() {
  if (pageCount_ > 0) {
    printer_.newPage();  // ends the page before
  }
  ++pageCount_;
  pageOpen_ = true;
  currentLine_ = topMargin_;
  DrawPageHeader();
}

void CPrinter::DrawPageHeader() {
  painter_.save();
  const QFontMetrics metrics = painter_.fontMetrics();
  const int nameTop = topMargin_ - lineHeight_ * 3 / 2;
  painter_.drawText(leftMargin_, nameTop + metrics.ascent(), programName_);
  const QString number = QString::number(pageCount_);
  painter_.drawText(pageWidth_ - leftMargin_ - metrics.horizontalAdvance(number),
                    nameTop + metrics.ascent(), number);
  QPen rule(Qt::red);
  rule.setWidth(std::max(1, printer_.logicalDpiY() / 100));
  painter_.setPen(rule);
  const int ruleY = topMargin_ - lineHeight_ / 2;
  painter_.drawLine(leftMargin_, ruleY, pageWidth_ - leftMargin_, ruleY);
  painter_.restore();
}

void CPrinter::EndDocument() {
  pageOpen_ = false;
  if (painter_.isActive()) {
    painter_.end();
  }
}

}  // namespace kestrix
