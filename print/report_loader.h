// Loading a file's contents into the report's text.
#pragma once

#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace wendterm {

// The message shown when a file cannot be loaded at all.
inline constexpr char kLoadFailedMessage[] = "Failed to Load Stream";

enum class LoadedAs { RichText, PlainText, Failed };

// Prepares an empty report document: the report font, tab stops every half
// inch.
void setUpReportDocument(QTextDocument& doc);

// Fills the document from a file's bytes: read as RTF first; when that
// fails, read again from the start as plain text. Plain text cannot fail.
LoadedAs loadReportBytes(QByteArrayView bytes, QTextDocument& doc);

// Reads the whole file, however large, and loads it as loadReportBytes
// does. Returns LoadedAs::Failed, with the document left empty, when the
// file cannot be read.
LoadedAs loadReportFile(const QString& path, QTextDocument& doc);

}  // namespace wendterm
