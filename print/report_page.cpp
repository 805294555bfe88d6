#include "report_page.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <vector>

namespace wendterm {

namespace {

constexpr qreal kLayoutDpi = 96.0;
constexpr qreal kMetresPerInch = 0.0254;
// A sixteenth of a layout pixel: far less than any line is high, and still
// a whole step of the layout's fixed-point coordinates (1/64 pixel).
constexpr qreal kBoundaryInset = 1.0 / 16;

}  // namespace

void setUpReportPrinter(QPrinter& printer) {
  const QMarginsF margins(kPageMarginMillimetres, kPageMarginMillimetres, kPageMarginMillimetres,
                          kPageMarginMillimetres);
  printer.setFullPage(false);
  if (!printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                         margins, QPageLayout::Millimeter))) {
    // A printer that cannot print that close to the edge keeps its own
    // minimum margins, but still gets Letter paper upright.
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
  }
  printer.setCopyCount(1);
  printer.setDuplex(QPrinter::DuplexNone);
  printer.setPaperSource(QPrinter::Auto);
}

int printReport(const QTextDocument& text, QPrinter& printer) {
  // The text is laid out once in 96 dpi pixels, the unit of all lengths in
  // the document, and the painter scales the pages to the printer. The page
  // breaks are then the same on every printer and in the preview. The
  // layout measures fonts on a 96 dpi device rather than on the screen, and
  // with design metrics, whose widths scale exactly, rather than widths
  // rounded to whole screen pixels.
  QImage layoutDevice(1, 1, QImage::Format_RGB32);
  layoutDevice.setDotsPerMeterX(qRound(kLayoutDpi / kMetresPerInch));
  layoutDevice.setDotsPerMeterY(qRound(kLayoutDpi / kMetresPerInch));
  std::unique_ptr<QTextDocument> doc(text.clone());
  doc->documentLayout()->setPaintDevice(&layoutDevice);
  doc->setUseDesignMetrics(true);
  doc->setDocumentMargin(0);

  const qreal scaleX = printer.logicalDpiX() / kLayoutDpi;
  const qreal scaleY = printer.logicalDpiY() / kLayoutDpi;
  const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
  const qreal bandWidth = std::min(kBandWidthInches * kLayoutDpi, printable.width() / scaleX);
  const qreal bandHeight = std::min(kBandHeightInches * kLayoutDpi, printable.height() / scaleY);
  // With a page size the layout paginates: a line that would cross the
  // bottom of the band moves whole to the top of the next page.
  doc->setPageSize(QSizeF(bandWidth, bandHeight));
  const int pageCount = std::max(1, doc->pageCount());

  int first = 1;
  int last = pageCount;
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    first = std::max(1, printer.fromPage());
    last = std::min(pageCount, printer.toPage() > 0 ? printer.toPage() : pageCount);
  }
  std::vector<int> pages;
  for (int page = first; page <= last; ++page) {
    pages.push_back(page);
  }
  if (printer.pageOrder() == QPrinter::LastPageFirst) {
    std::reverse(pages.begin(), pages.end());
  }

  QPainter painter;
  if (!painter.begin(&printer)) {
    return 0;
  }
  painter.scale(scaleX, scaleY);
  bool firstPrinted = true;
  for (const int page : pages) {
    if (!firstPrinted && !printer.newPage()) {
      break;
    }
    firstPrinted = false;
    const qreal top = (page - 1) * bandHeight;
    painter.save();
    painter.setClipRect(QRectF(0, 0, bandWidth, bandHeight));
    painter.translate(0, -top);
    QAbstractTextDocumentLayout::PaintContext context;
    // The layout draws every line that touches the clip, so a line ending
    // exactly at the top of the band or starting exactly at its bottom
    // would also be drawn here, hidden by the clip but still present in
    // the printed file. Drawing only lines inside a slightly smaller
    // rectangle leaves each line on its own page alone.
    context.clip = QRectF(0, top + kBoundaryInset, bandWidth, bandHeight - 2 * kBoundaryInset);
    context.palette.setColor(QPalette::Text, Qt::black);
    doc->documentLayout()->draw(&painter, context);
    painter.restore();
  }
  painter.end();
  return pageCount;
}

}  // namespace wendterm
