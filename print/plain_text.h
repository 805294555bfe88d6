// Plain-text files: decoding and line ends.
#pragma once

#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace wendterm {

// Decodes the bytes of a plain-text file: as UTF-8 (without its byte-order
// mark) when they are valid UTF-8, otherwise as Windows-1252. CRLF, CR and
// LF line ends all become '\n'.
QString decodePlainText(QByteArrayView bytes);

// Replaces the document's contents with the text of a plain-text file, one
// paragraph per line, in the document's default font. The line end of
// the last line adds no empty line after it.
void readPlainText(QByteArrayView bytes, QTextDocument& doc);

}  // namespace wendterm
