#include "plain_text.h"

#include "code_pages.h"

#include <QStringDecoder>
#include <QTextDocument>

namespace wendterm {

QString decodePlainText(QByteArrayView bytes) {
  // Stateless, so that a sequence cut short at the end counts as invalid
  // instead of waiting for more bytes.
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) {
    text = decodeWindows1252(bytes);
  }
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

void readPlainText(QByteArrayView bytes, QTextDocument& doc) {
  QString text = decodePlainText(bytes);
  // A line end closes its line; it does not open an empty one after the
  // last line, which would otherwise cost a blank page when the lines
  // exactly fill the previous one.
  if (text.endsWith(QLatin1Char('\n'))) {
    text.chop(1);
  }
  doc.setPlainText(text);
}

}  // namespace wendterm
