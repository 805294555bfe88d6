#include "pdf_tools.h"
#include "report_font.h"
#include "report_loader.h"
#include "report_page.h"
#include "test_support.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace wendterm {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMarginPoints = 36.0;       // half an inch
constexpr double kPageWidthPoints = 612.0;   // 8.5 inches
constexpr double kPageHeightPoints = 792.0;  // 11 inches
// The text sits on the page no further than this from where it should.
constexpr double kTolerancePoints = 0.5;

// The printer the tests print to: a PDF file, set up like the preview's.
void setUpPdfPrinter(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  setUpReportPrinter(printer);
}

TEST(ReportPrinter, IsLetterPortraitWithHalfInchMargins) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  setUpReportPrinter(printer);
  const QPageLayout layout = printer.pageLayout();
  EXPECT_EQ(layout.pageSize().id(), QPageSize::Letter);
  EXPECT_EQ(layout.orientation(), QPageLayout::Portrait);
  const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
  EXPECT_DOUBLE_EQ(margins.left(), 12.7);
  EXPECT_DOUBLE_EQ(margins.top(), 12.7);
  EXPECT_DOUBLE_EQ(margins.right(), 12.7);
  EXPECT_DOUBLE_EQ(margins.bottom(), 12.7);
  EXPECT_EQ(printer.copyCount(), 1);
  EXPECT_EQ(printer.duplex(), QPrinter::DuplexNone);
  EXPECT_EQ(printer.paperSource(), QPrinter::Auto);
  EXPECT_FALSE(printer.fullPage());
  // The printable area is exactly the 7.5 x 10 inch band.
  const QRectF paint = layout.paintRect(QPageLayout::Inch);
  EXPECT_NEAR(paint.width(), kBandWidthInches, 1e-9);
  EXPECT_NEAR(paint.height(), kBandHeightInches, 1e-9);
}

class ReportPdf : public ::testing::Test {
 protected:
  // Prints the document to a PDF file and returns the number of pages
  // printReport reports.
  int print(const QTextDocument& doc, const std::function<void(QPrinter&)>& adjust = {}) {
    QPrinter printer(QPrinter::HighResolution);
    setUpPdfPrinter(printer, pdf_);
    if (adjust) {
      adjust(printer);
    }
    return printReport(doc, printer);
  }

  int printBytes(const QByteArray& bytes) {
    QTextDocument doc;
    loadReportBytes(bytes, doc);
    return print(doc);
  }

  // All lines of text of the PDF, page by page.
  QList<QStringList> pages() {
    QList<QStringList> result;
    const int count = test::pdfPageCount(pdf_);
    for (int page = 1; page <= count; ++page) {
      result << test::pdfPageLines(pdf_, page);
    }
    return result;
  }

  QTemporaryDir dir_;
  QString pdf_ = dir_.filePath("report.pdf");
};

// Numbered lines "Line 0001" ... as a plain-text file with CRLF line ends.
QByteArray numberedLines(int count) {
  QByteArray bytes;
  for (int i = 1; i <= count; ++i) {
    bytes += "Line " + QByteArray::number(i).rightJustified(4, '0') + "\r\n";
  }
  return bytes;
}

QStringList numberedLineTexts(int from, int to) {
  QStringList lines;
  for (int i = from; i <= to; ++i) {
    lines << QStringLiteral("Line %1").arg(i, 4, 10, QLatin1Char('0'));
  }
  return lines;
}

// How many lines of the report font fit in the 10-inch band, worked out
// from the font's own height: the text is laid out in 96 dpi pixels, and a
// line is as high as the font's ascent plus descent there, rounded up to
// whole pixels.
int linesPerPage() {
  QImage device(1, 1, QImage::Format_RGB32);
  device.setDotsPerMeterX(3780);  // 96 dpi
  device.setDotsPerMeterY(3780);
  const QFontMetricsF metrics(reportFont(), &device);
  const double lineHeight = std::ceil(metrics.ascent() + metrics.descent());
  return static_cast<int>(std::floor(kBandHeightInches * 96 / lineHeight));
}

TEST_F(ReportPdf, EmptyFileGivesOneEmptyLetterPage) {
  EXPECT_EQ(printBytes(""), 1);
  EXPECT_EQ(test::pdfPageCount(pdf_), 1);
  EXPECT_EQ(test::pdfPageSizes(pdf_), QStringList{"612 x 792 pts (letter)"});
  EXPECT_TRUE(test::pdfPageLines(pdf_, 1).isEmpty());
}

TEST_F(ReportPdf, ShortFileGivesOnePageWithItsLines) {
  EXPECT_EQ(printBytes("first line\r\nsecond line\r\n\r\nfourth line"), 1);
  EXPECT_EQ(test::pdfPageCount(pdf_), 1);
  EXPECT_EQ(test::pdfPageLines(pdf_, 1),
            (QStringList{"first line", "second line", "fourth line"}));
}

TEST(LinesPerPage, IsWhatTheReportFontGives) {
  // 9.75-point type leaves room for some sixty lines in ten inches; the
  // exact number depends on the monospace font standing in.
  EXPECT_GE(linesPerPage(), 50);
  EXPECT_LE(linesPerPage(), 75);
}

struct PageCountCase {
  const char* name;
  int pagesOfLines;  // in whole pages' worth of lines
  int extraLines;
  int expectedPages;
};

class ReportPageCount : public ReportPdf, public ::testing::WithParamInterface<PageCountCase> {};

TEST_P(ReportPageCount, LongFileContinuesOnFurtherPagesWithNoLineLostOrDoubled) {
  const int perPage = linesPerPage();
  const int lines = GetParam().pagesOfLines * perPage + GetParam().extraLines;
  const int expected = GetParam().expectedPages;
  EXPECT_EQ(printBytes(numberedLines(lines)), expected);
  ASSERT_EQ(test::pdfPageCount(pdf_), expected);
  EXPECT_EQ(test::pdfPageSizes(pdf_), QStringList(expected, "612 x 792 pts (letter)"));
  const QList<QStringList> text = pages();
  for (int page = 0; page < expected; ++page) {
    const int first = page * perPage + 1;
    const int last = std::min(lines, (page + 1) * perPage);
    EXPECT_EQ(text[page], numberedLineTexts(first, last)) << "page " << page + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportPageCount,
    ::testing::Values(PageCountCase{"OneLineShort", 1, -1, 1}, PageCountCase{"ExactlyOnePage", 1, 0, 1},
                      PageCountCase{"OneLineOver", 1, 1, 2}, PageCountCase{"ThreePages", 3, 0, 3},
                      PageCountCase{"FourPagesAndABit", 4, 17, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportPdf, TextStartsAtTheTopLeftMargin) {
  printBytes("Top left\r\n");
  const QList<test::PdfWord> words = test::pdfPageWords(pdf_, 1);
  ASSERT_FALSE(words.isEmpty());
  EXPECT_EQ(words.first().text, "Top");
  EXPECT_NEAR(words.first().box.left(), kMarginPoints, kTolerancePoints);
  // The glyph box starts at the line's top, less any gap above the ascent.
  EXPECT_GE(words.first().box.top(), kMarginPoints - kTolerancePoints);
  EXPECT_LT(words.first().box.top(), kMarginPoints + 3);
}

TEST_F(ReportPdf, EveryPageKeepsTheMargins) {
  // Long lines wrap inside the band; many lines fill several pages.
  QByteArray bytes;
  for (int i = 1; i <= 150; ++i) {
    bytes += "L" + QByteArray::number(i) + " " + QByteArray(30, 'w') + " " + QByteArray(30, 'x') + " " +
             QByteArray(30, 'y') + " " + QByteArray(30, 'z') + "\n";
  }
  const int count = printBytes(bytes);
  ASSERT_GE(count, 3);
  for (int page = 1; page <= count; ++page) {
    const QList<test::PdfWord> words = test::pdfPageWords(pdf_, page);
    ASSERT_FALSE(words.isEmpty()) << "page " << page;
    double left = kPageWidthPoints, top = kPageHeightPoints, right = 0, bottom = 0;
    for (const test::PdfWord& word : words) {
      left = std::min(left, word.box.left());
      top = std::min(top, word.box.top());
      right = std::max(right, word.box.right());
      bottom = std::max(bottom, word.box.bottom());
    }
    EXPECT_NEAR(left, kMarginPoints, kTolerancePoints) << "page " << page;
    EXPECT_GE(top, kMarginPoints - kTolerancePoints) << "page " << page;
    EXPECT_LT(top, kMarginPoints + 3) << "page " << page;
    EXPECT_LE(right, kPageWidthPoints - kMarginPoints + kTolerancePoints) << "page " << page;
    EXPECT_LE(bottom, kPageHeightPoints - kMarginPoints + kTolerancePoints) << "page " << page;
  }
  // The lines wrapped (four 30-letter words do not fit in 7.5 inches of
  // 9.75-point monospace) and every word is printed once.
  int zWords = 0;
  for (int page = 1; page <= count; ++page) {
    for (const test::PdfWord& word : test::pdfPageWords(pdf_, page)) {
      zWords += word.text == QString(30, QLatin1Char('z')) ? 1 : 0;
    }
  }
  EXPECT_EQ(zWords, 150);
}

TEST_F(ReportPdf, RtfAlignmentIsPrinted) {
  printBytes("{\\rtf1\\qc Centre\\par\\qr Right\\par\\pard\\li1440 Indented\\par}");
  const QList<test::PdfWord> words = test::pdfPageWords(pdf_, 1);
  ASSERT_EQ(words.size(), 3);
  EXPECT_EQ(words[0].text, "Centre");
  EXPECT_NEAR(words[0].box.center().x(), kPageWidthPoints / 2, 1.0);
  EXPECT_EQ(words[1].text, "Right");
  EXPECT_NEAR(words[1].box.right(), kPageWidthPoints - kMarginPoints, 1.5);
  EXPECT_EQ(words[2].text, "Indented");
  EXPECT_NEAR(words[2].box.left(), kMarginPoints + kPointsPerInch, kTolerancePoints);
}

TEST_F(ReportPdf, RtfBulletWithHangingIndentIsPrinted) {
  printBytes("{\\rtf1\\li720\\fi-360 \\bullet\\tab Item text\\par}");
  const QList<test::PdfWord> words = test::pdfPageWords(pdf_, 1);
  ASSERT_EQ(words.size(), 3);
  EXPECT_EQ(words[0].text, QStringLiteral(u"\u2022"));
  EXPECT_NEAR(words[0].box.left(), kMarginPoints + kPointsPerInch / 4, kTolerancePoints);
  EXPECT_EQ(words[1].text, "Item");
  EXPECT_NEAR(words[1].box.left(), kMarginPoints + kPointsPerInch / 2, kTolerancePoints);
}

TEST_F(ReportPdf, RtfTabStopIsPrintedAtItsPlace) {
  printBytes("{\\rtf1\\tx2160 Name\\tab Value\\par}");
  const QList<test::PdfWord> words = test::pdfPageWords(pdf_, 1);
  ASSERT_EQ(words.size(), 2);
  EXPECT_EQ(words[1].text, "Value");
  EXPECT_NEAR(words[1].box.left(), kMarginPoints + 1.5 * kPointsPerInch, kTolerancePoints);
}

TEST_F(ReportPdf, PlainTabsStopEveryHalfInch) {
  printBytes("a\tb\tc");
  const QList<test::PdfWord> words = test::pdfPageWords(pdf_, 1);
  ASSERT_EQ(words.size(), 3);
  EXPECT_NEAR(words[1].box.left(), kMarginPoints + kPointsPerInch / 2, kTolerancePoints);
  EXPECT_NEAR(words[2].box.left(), kMarginPoints + kPointsPerInch, kTolerancePoints);
}

TEST_F(ReportPdf, RtfFontSizeIsPrinted) {
  printBytes("{\\rtf1\\fs24 Small\\par\\fs96 Big\\par}");
  const QList<test::PdfWord> words = test::pdfPageWords(pdf_, 1);
  ASSERT_EQ(words.size(), 2);
  // Glyph boxes are as high as the font: 48 points is four times 12.
  EXPECT_NEAR(words[1].box.height() / words[0].box.height(), 4.0, 0.05);
}

TEST_F(ReportPdf, RtfPageBreakStartsANewPage) {
  EXPECT_EQ(printBytes("{\\rtf1 one\\page two}"), 2);
  ASSERT_EQ(test::pdfPageCount(pdf_), 2);
  EXPECT_EQ(test::pdfPageLines(pdf_, 1), QStringList{"one"});
  EXPECT_EQ(test::pdfPageLines(pdf_, 2), QStringList{"two"});
}

TEST_F(ReportPdf, RtfTextIsPrintedWithItsCharacters) {
  printBytes("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\u8364? \\b bold\\b0\\par}");
  EXPECT_EQ(test::pdfPageLines(pdf_, 1), QStringList{QStringLiteral(u"caf\u00E9 \u20AC bold")});
}

TEST_F(ReportPdf, PageRangeChosenInThePrintDialogIsHonoured) {
  const int perPage = linesPerPage();
  QTextDocument doc;
  loadReportBytes(numberedLines(3 * perPage), doc);
  const int count = print(doc, [](QPrinter& printer) {
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 2);
  });
  EXPECT_EQ(count, 3);
  ASSERT_EQ(test::pdfPageCount(pdf_), 1);
  EXPECT_EQ(test::pdfPageLines(pdf_, 1), numberedLineTexts(perPage + 1, 2 * perPage));
}

TEST_F(ReportPdf, LastPageFirst) {
  const int perPage = linesPerPage();
  QTextDocument doc;
  loadReportBytes(numberedLines(perPage + 1), doc);
  print(doc, [](QPrinter& printer) { printer.setPageOrder(QPrinter::LastPageFirst); });
  ASSERT_EQ(test::pdfPageCount(pdf_), 2);
  EXPECT_EQ(test::pdfPageLines(pdf_, 1), numberedLineTexts(perPage + 1, perPage + 1));
  EXPECT_EQ(test::pdfPageLines(pdf_, 2).size(), perPage);
}

TEST_F(ReportPdf, TheSourceDocumentIsLeftAsItWas) {
  QTextDocument doc;
  loadReportBytes("text", doc);
  const qreal margin = doc.documentMargin();
  print(doc);
  EXPECT_EQ(doc.documentMargin(), margin);
  EXPECT_FALSE(doc.pageSize().isValid());
  EXPECT_EQ(doc.toPlainText(), "text");
}

}  // namespace
}  // namespace wendterm
