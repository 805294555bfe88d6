#include "report_preview.h"

#include "report_page.h"

#include <QComboBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QTextDocument>

namespace wendterm {

void showReportPreview(const QTextDocument& text, QWidget* parent) {
  QPrinter printer(QPrinter::HighResolution);
  setUpReportPrinter(printer);
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&text](QPrinter* target) { printReport(text, *target); });
  // The dialog has no zoom setting of its own. Picking 100 % in its zoom
  // box, as a user would, also releases its "fit" buttons; the preview
  // widget is set directly as well in case the box reads differently.
  if (auto* zoomBox = dialog.findChild<QComboBox*>()) {
    const int index = zoomBox->findText(QStringLiteral("100%"));
    if (index >= 0 && index != zoomBox->currentIndex()) {
      zoomBox->setCurrentIndex(index);
    }
  }
  if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) {
    preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
    preview->setZoomFactor(kPreviewZoom);
  }
  // Large enough to show a whole page width at full size on most screens.
  if (const QScreen* screen = dialog.screen()) {
    const QRect available = screen->availableGeometry();
    const QSize size = available.size() * 9 / 10;
    dialog.setGeometry(QRect(QPoint(), size).translated(available.center() - QRect(QPoint(), size).center()));
  }
  dialog.exec();
}

}  // namespace wendterm
