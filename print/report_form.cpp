#include "report_form.h"

#include "report_font.h"
#include "report_loader.h"
#include "report_preview.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QShowEvent>
#include <QTextDocument>
#include <QTimer>

namespace wendterm {

ReportForm::ReportForm(std::optional<QString> path, QWidget* parent)
    : QWidget(parent), path_(std::move(path)) {
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setGeometry(285, 58, 383, 130);
  setFont(formFont());
}

void ReportForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) {
    return;
  }
  shown_ = true;
  // The form is shown before the event loop runs; the preview's own loop
  // and the request to quit only work from inside it.
  QTimer::singleShot(0, this, [this] { printFile(); });
}

void ReportForm::printFile() {
  if (path_ && QFileInfo(*path_).isFile()) {
    QTextDocument text;
    if (loadReportFile(*path_, text) == LoadedAs::Failed) {
      QMessageBox::critical(this, QString::fromLatin1(kProgramTitle),
                            QString::fromLatin1(kLoadFailedMessage));
    } else {
      showReportPreview(text, this);
    }
  }
  // Whether anything was shown or not, the program's work is done.
  QCoreApplication::quit();
}

}  // namespace wendterm
