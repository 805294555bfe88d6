#include "report_loader.h"

#include "plain_text.h"
#include "report_font.h"
#include "rtf_reader.h"

#include <QFile>
#include <QTextDocument>
#include <QTextOption>

namespace wendterm {

namespace {

// Half an inch, in the document's 96 dpi pixels: the default tab stops of
// word processors and rich-text controls.
constexpr qreal kDefaultTabDistance = 48.0;

}  // namespace

void setUpReportDocument(QTextDocument& doc) {
  doc.clear();
  doc.setDefaultFont(reportFont());
  QTextOption option = doc.defaultTextOption();
  option.setTabStopDistance(kDefaultTabDistance);
  doc.setDefaultTextOption(option);
}

LoadedAs loadReportBytes(QByteArrayView bytes, QTextDocument& doc) {
  setUpReportDocument(doc);
  if (readRtf(bytes, doc)) {
    return LoadedAs::RichText;
  }
  // The failed read may have left part of the text, formats or tab stops
  // behind.
  setUpReportDocument(doc);
  readPlainText(bytes, doc);
  return LoadedAs::PlainText;
}

LoadedAs loadReportFile(const QString& path, QTextDocument& doc) {
  setUpReportDocument(doc);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return LoadedAs::Failed;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    return LoadedAs::Failed;
  }
  return loadReportBytes(bytes, doc);
}

}  // namespace wendterm
