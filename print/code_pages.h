// Decoding of text bytes written in a Windows code page.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace wendterm {

// The code page that word processors and Windows programs assume when a
// file names none.
inline constexpr int kDefaultCodePage = 1252;

// Decodes bytes in Windows-1252. The five bytes the code page leaves
// undefined become the C1 control characters of the same value, as Windows
// itself decodes them, so that no byte is ever lost.
QString decodeWindows1252(QByteArrayView bytes);

// Decodes bytes in the given code page (a Windows code-page number such as
// 1250, 1251, 932, or 10000 for Mac Roman). A code page this system cannot
// convert is read as Windows-1252; a byte sequence invalid in the code page
// becomes U+FFFD.
QString decodeCodePage(QByteArrayView bytes, int codePage);

// The code page of an RTF/Windows character set number (\fcharsetN), or 0
// when the character set does not imply one of its own (ANSI, default,
// symbol, unknown).
int codePageForCharset(int charset);

}  // namespace wendterm
