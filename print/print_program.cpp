#include "print_program.h"

#include "report_form.h"

#include <QApplication>
#include <QFile>

namespace wendterm {

std::optional<QString> pathArgument(int argc, char** argv) {
  if (argc < 2 || argv[1] == nullptr) {
    return std::nullopt;
  }
  return QFile::decodeName(argv[1]);
}

int runPrintProgram(QApplication& app, const std::optional<QString>& path) {
  QApplication::setApplicationDisplayName(QString::fromLatin1(kProgramTitle));
  ReportForm form(path);
  form.show();
  return app.exec();
}

}  // namespace wendterm
