// The RTF reader on any bytes: readRtf, then the layout of the document on
// Letter pages, which is what the print utility does with it next. Runs
// with the offscreen platform, so it needs no window system.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextDocument>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

#include "rtf_reader.h"

// Fontconfig, under Qt's font database, keeps what it allocates until the
// process ends; LeakSanitizer is not to report that memory as ours.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
  // Fonts and text layout need a QGuiApplication; it lives as long as the
  // process.
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  QTextDocument doc;
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  if (wendterm::readRtf(bytes, doc)) {
    doc.setPageSize(QSizeF(816, 1056));  // Letter at 96 dpi
    (void)doc.pageCount();
  }
  return 0;
}
