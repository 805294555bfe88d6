#include "pdf_tools.h"

#include "test_support.h"

#include <QRegularExpression>

namespace wendterm::test {

namespace {

QString pageArg(int page) { return QString::number(page); }

}  // namespace

int pdfPageCount(const QString& pdf) {
  bool ok = false;
  const QString info = QString::fromUtf8(runProgram(PDFINFO_PROGRAM, {pdf}, &ok));
  if (!ok) {
    return -1;
  }
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption)
          .match(info);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList pdfPageSizes(const QString& pdf) {
  const int pages = pdfPageCount(pdf);
  bool ok = false;
  const QString info = QString::fromUtf8(
      runProgram(PDFINFO_PROGRAM, {"-f", "1", "-l", pageArg(pages), pdf}, &ok));
  QStringList sizes;
  const QRegularExpression line(QStringLiteral("^Page\\s+\\d+ size:\\s+(.*)$"),
                                QRegularExpression::MultilineOption);
  for (auto it = line.globalMatch(info); it.hasNext();) {
    sizes << it.next().captured(1).trimmed();
  }
  return sizes;
}

QStringList pdfPageLines(const QString& pdf, int page) {
  bool ok = false;
  const QString text = QString::fromUtf8(runProgram(
      PDFTOTEXT_PROGRAM, {"-f", pageArg(page), "-l", pageArg(page), pdf, "-"}, &ok));
  QStringList lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    const QString trimmed = QString(line).remove(QLatin1Char('\f')).trimmed();
    if (!trimmed.isEmpty()) {
      lines << trimmed;
    }
  }
  return lines;
}

QList<PdfWord> pdfPageWords(const QString& pdf, int page) {
  bool ok = false;
  const QString html = QString::fromUtf8(runProgram(
      PDFTOTEXT_PROGRAM, {"-bbox", "-f", pageArg(page), "-l", pageArg(page), pdf, "-"}, &ok));
  const QRegularExpression word(QStringLiteral(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
  QList<PdfWord> words;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
    const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
    words << PdfWord{m.captured(5), QRectF(topLeft, bottomRight)};
  }
  return words;
}

}  // namespace wendterm::test
