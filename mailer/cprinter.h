#pragma once
// The composer's printing: one job on a printer, printed line by line in a
// fixed-pitch font between half-inch margins, with a new page, and its
// header, whenever a page is full.

#include <QPainter>
#include <QPrinter>
#include <QString>

namespace kestrix {

class CPrinter {
 public:
  // `printer` is the one the operator chose; it must outlive the job.
  explicit CPrinter(QPrinter& printer, QString programName = "Quillon");
  virtual ~CPrinter();
  CPrinter(const CPrinter&) = delete;
  CPrinter& operator=(const CPrinter&) = delete;

  // Begins the job, named after the program, and takes the metrics. False
  // when the printer cannot be drawn on.
  bool StartDocument();
  // Prints one line at the current position, opening a page first when
  // none is open or the current one is full.
  void PrintLine(const QString& line);
  // Ends the last page and the job.
  void EndDocument();

  int PageCount() const { return pageCount_; }
  // Top of the next line, in device units from the top of the page.
  int CurrentLine() const { return currentLine_; }
  bool PageOpen() const { return pageOpen_; }
  int LineHeight() const { return lineHeight_; }
  int TopMargin() const { return topMargin_; }
  int LeftMargin() const { return leftMargin_; }
  int PageHeight() const { return pageHeight_; }
  int PageWidth() const { return pageWidth_; }

 protected:
  // Sets the print font on the painter and takes the line height from it:
  // Courier, 60 by 60 device units of a 600 dpi printer (ten characters an
  // inch, scaled to the printer's resolution), normal weight.
  virtual void SelectPrintFont();
  // The header of a new page: the program's name at the left margin one
  // and a half lines above the top margin, the page number right-aligned on
  // that line, and a red rule half a line above the top margin. The text's
  // drawing state is left as it was.
  virtual void DrawPageHeader();

  QPainter& Painter() { return painter_; }
  const QString& ProgramName() const { return programName_; }
  void SetLineHeight(int height) { lineHeight_ = height; }

 private:
  void OpenPage();

  QPrinter& printer_;
  QString programName_;
  QPainter painter_;
  int lineHeight_ = 0;
  int topMargin_ = 0;
  int leftMargin_ = 0;
  int pageHeight_ = 0;
  int pageWidth_ = 0;
  int pageCount_ = 0;
  int currentLine_ = 0;
  bool pageOpen_ = false;
};

}  // namespace kestrix
