#include "report_font.h"

namespace wendterm {

namespace {

QFont fixedsys(qreal points) {
  // Fixedsys is a Windows font. DejaVu Sans Mono stands in for it wherever
  // it is installed, so that the text measures and the pages break alike
  // on every machine; elsewhere the system's monospace font does.
  static const bool substituted =
      (QFont::insertSubstitution(QStringLiteral("Fixedsys"), QStringLiteral("DejaVu Sans Mono")), true);
  (void)substituted;
  QFont font(QStringLiteral("Fixedsys"));
  font.setPointSizeF(points);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

}  // namespace

QFont reportFont() { return fixedsys(13 * 72.0 / 96.0); }

QFont formFont() { return fixedsys(11 * 72.0 / 96.0); }

}  // namespace wendterm
