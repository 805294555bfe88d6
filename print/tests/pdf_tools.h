// Reading back the PDF files the report is printed to, with poppler's
// command-line tools.
#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QList>

namespace wendterm::test {

struct PdfWord {
  QString text;
  QRectF box;  // in points, from the top left of the page
};

// The number of pages pdfinfo reports, or -1 when it cannot read the file.
int pdfPageCount(const QString& pdf);

// pdfinfo's "Page N size" line for every page, e.g. "612 x 792 pts (letter)".
QStringList pdfPageSizes(const QString& pdf);

// The non-empty text lines pdftotext finds on one page (counted from 1).
QStringList pdfPageLines(const QString& pdf, int page);

// Every word on one page with its bounding box.
QList<PdfWord> pdfPageWords(const QString& pdf, int page);

}  // namespace wendterm::test
