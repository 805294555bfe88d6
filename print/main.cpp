// WendtermPrint <path>: shows a plain-text or RTF file as a Letter-size
// report in a print preview, from which it can be printed, and ends when
// the preview closes.
#include "print_program.h"

#include <QApplication>

int main(int argc, char** argv) {
  const std::optional<QString> path = wendterm::pathArgument(argc, argv);
  // The report's lengths are 96 dpi pixels, whatever the screen says.
  QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
  QApplication app(argc, argv);
  return wendterm::runPrintProgram(app, path);
}
