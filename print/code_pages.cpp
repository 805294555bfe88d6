#include "code_pages.h"


#include <array>
#include <cerrno>
#include <iconv.h>
#include <string>

namespace wendterm {

namespace {

// 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The iconv name of a Windows code page; glibc knows the Windows code pages
// as "CPnnnn".
std::string iconvName(int codePage) {
  switch (codePage) {
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    default: return "CP" + std::to_string(codePage);
  }
}

// Converts through iconv; returns false when the code page is unknown.
bool decodeWithIconv(QByteArrayView bytes, int codePage, QString& out) {
  iconv_t cd = iconv_open("UTF-8", iconvName(codePage).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return false;
  }
  QByteArray utf8;
  char buffer[4096];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = static_cast<size_t>(bytes.size());
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    utf8.append(buffer, static_cast<qsizetype>(outPtr - buffer));
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        continue;
      }
      // An invalid or incomplete sequence: mark it and go on with the next
      // byte rather than dropping the rest of the text.
      utf8.append("\xEF\xBF\xBD");
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  out = QString::fromUtf8(utf8);
  return true;
}

}  // namespace

QString decodeWindows1252(QByteArrayView bytes) {
  QString out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 && b < 0xA0) {
      out.append(QChar(kWindows1252High[b - 0x80]));
    } else {
      out.append(QChar(b));
    }
  }
  return out;
}

QString decodeCodePage(QByteArrayView bytes, int codePage) {
  if (codePage == kDefaultCodePage || codePage <= 0) {
    return decodeWindows1252(bytes);
  }
  if (codePage == 65001) {
    return QString::fromUtf8(bytes);
  }
  QString out;
  if (decodeWithIconv(bytes, codePage, out)) {
    return out;
  }
  return decodeWindows1252(bytes);
}

int codePageForCharset(int charset) {
  switch (charset) {
    case 77: return 10000;   // Mac
    case 128: return 932;    // Shift-JIS
    case 129: return 949;    // Hangul
    case 130: return 1361;   // Johab
    case 134: return 936;    // GB2312
    case 136: return 950;    // Big5
    case 161: return 1253;   // Greek
    case 162: return 1254;   // Turkish
    case 163: return 1258;   // Vietnamese
    case 177: return 1255;   // Hebrew
    case 178: return 1256;   // Arabic
    case 186: return 1257;   // Baltic
    case 204: return 1251;   // Cyrillic
    case 222: return 874;    // Thai
    case 238: return 1250;   // Eastern European
    case 254: return 437;    // PC 437
    case 255: return 850;    // OEM
    default: return 0;
  }
}

}  // namespace wendterm
