// A reader for the RTF that word processors write, into a QTextDocument.
#pragma once

#include <QByteArrayView>

class QTextDocument;

namespace wendterm {

// Replaces the document's contents with the RTF in `rtf`.
//
// Understood: escapes and special characters, \'hh in the document's code
// page (\ansicpg, 1252 when none is named) or the code page of the current
// font's character set, \uN with \ucN, paragraphs, line breaks, page breaks
// and tabs (with tab stops), bold, italic, underline, strike, super- and
// subscript, hidden text, font size, the font table, the colour table
// (foreground and highlight/background), alignment, indents and paragraph
// spacing. Skipped: groups marked {\*...}, pictures, objects, headers,
// footers, footnotes, the style sheet and document information, and the
// data of \binN. Other control words are ignored. Tables come out as one
// paragraph per row with tabs between the cells.
//
// Returns false when the bytes are not RTF or not well formed: no "{\rtf"
// at the start, the outermost group not closed, a \binN or \'hh cut short,
// a bad hex digit, or groups nested too deep. The document's contents are
// then unspecified.
bool readRtf(QByteArrayView rtf, QTextDocument& doc);

}  // namespace wendterm
