#include "report_font.h"

namespace wendterm {

namespace {

QFont fixedsys(qreal points) {
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
