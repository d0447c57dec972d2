#include "mailer/cprinter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRegularExpression>

#include <memory>
#include <string>
#include <vector>

#include "tests/common_support/temp_working_directory.h"

namespace kestrix {
namespace {

// Pages of a PDF file, counted by their page objects.
int PdfPages(const std::string& path) {
  const QString pdf = QString::fromLatin1(testing::ReadFile(path));
  return static_cast<int>(pdf.count(QRegularExpression("/Type\\s*/Page\\b")));
}

// Records what the overridable steps do and whether the header leaves the
// text's drawing state as it found it.
class RecordingPrinter final : public CPrinter {
 public:
  using CPrinter::CPrinter;
  using CPrinter::Painter;

  std::vector<int> headers;  // the page count at each header
  bool headerKeptState = true;
  int fontsSelected = 0;
  double pitch = 0;  // width of ten characters, device units

 protected:
  void SelectPrintFont() override {
    CPrinter::SelectPrintFont();
    ++fontsSelected;
    pitch = QFontMetricsF(Painter().font(), Painter().device()).horizontalAdvance("MMMMMMMMMM");
  }
  void DrawPageHeader() override {
    const QPen pen = Painter().pen();
    const QFont font = Painter().font();
    const QBrush brush = Painter().brush();
    CPrinter::DrawPageHeader();
    headers.push_back(PageCount());
    headerKeptState = headerKeptState && Painter().pen() == pen && Painter().font() == font &&
                      Painter().brush() == brush;
  }
};

class CPrinterTest : public ::testing::Test {
 protected:
  CPrinterTest() {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("print.pdf");
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
  }

  int argc = 1;
  char name[14] = "cprinter_test";
  char* argv[2] = {name, nullptr};
  QApplication app{argc, argv};
  testing::TempWorkingDirectory dir;
  QPrinter printer{QPrinter::HighResolution};
};

TEST_F(CPrinterTest, MetricsAreHalfInchMarginsAndTenCharactersAnInch) {
  RecordingPrinter job(printer);
  ASSERT_TRUE(job.StartDocument());
  const int dpi = printer.logicalDpiY();
  EXPECT_EQ(job.TopMargin(), dpi / 2);
  EXPECT_EQ(job.LeftMargin(), printer.logicalDpiX() / 2);
  EXPECT_EQ(job.PageHeight(), printer.height());
  EXPECT_EQ(job.PageWidth(), printer.width());
  EXPECT_EQ(job.fontsSelected, 1);
  EXPECT_NEAR(job.pitch, printer.logicalDpiX(), printer.logicalDpiX() / 50.0);
  EXPECT_TRUE(QFontInfo(job.Painter().font()).fixedPitch());
  // Font height plus its leading: about six to seven lines an inch.
  EXPECT_GT(job.LineHeight(), dpi / 8);
  EXPECT_LT(job.LineHeight(), dpi / 6);
  EXPECT_FALSE(job.PageOpen());
  EXPECT_EQ(job.PageCount(), 0);
  job.EndDocument();
}

TEST_F(CPrinterTest, AShortTextIsOnePageWithItsHeader) {
  RecordingPrinter job(printer);
  ASSERT_TRUE(job.StartDocument());
  job.PrintLine("FROM:    W1AW");
  EXPECT_TRUE(job.PageOpen());
  EXPECT_EQ(job.CurrentLine(), job.TopMargin() + job.LineHeight());
  job.PrintLine("QST");
  job.EndDocument();
  EXPECT_FALSE(job.PageOpen());
  EXPECT_EQ(job.PageCount(), 1);
  EXPECT_EQ(job.headers, std::vector<int>{1});
  EXPECT_TRUE(job.headerKeptState);
  EXPECT_EQ(PdfPages("print.pdf"), 1);
}

TEST_F(CPrinterTest, ALongTextMakesSeveralPagesEachWithItsHeader) {
  RecordingPrinter job(printer);
  ASSERT_TRUE(job.StartDocument());
  // A page takes lines while their top is at most page height minus the
  // top margin from the top of the page.
  const int perPage = (job.PageHeight() - 2 * job.TopMargin()) / job.LineHeight() + 1;
  EXPECT_GE(perPage, 60);  // ten inches of lines
  EXPECT_LE(perPage, 80);
  const int lines = 2 * perPage + 5;
  for (int i = 0; i < lines; ++i) {
    job.PrintLine(QString("LINE %1").arg(i));
    if (i == perPage - 1) {
      EXPECT_EQ(job.PageCount(), 1);
    }
    if (i == perPage) {
      EXPECT_EQ(job.PageCount(), 2);
      EXPECT_EQ(job.CurrentLine(), job.TopMargin() + job.LineHeight());
    }
  }
  job.EndDocument();
  EXPECT_EQ(job.PageCount(), 3);
  EXPECT_EQ(job.headers, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(job.headerKeptState);
  EXPECT_EQ(PdfPages("print.pdf"), 3);
}

TEST_F(CPrinterTest, APrinterThatCannotBeDrawnOnRefusesTheDocument) {
  printer.setOutputFileName("no-such-directory/print.pdf");
  CPrinter job(printer);
  EXPECT_FALSE(job.StartDocument());
  job.PrintLine("LOST");
  job.EndDocument();
  EXPECT_EQ(job.PageCount(), 0);
}

}  // namespace
}  // namespace kestrix
