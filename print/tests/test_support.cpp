#include "test_support.h"

#include <QProcess>

namespace wendterm::test {

QByteArray runProgram(const QString& program, const QStringList& args, bool* ok) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(args);
  process.start();
  const bool finished = process.waitForStarted(-1) && process.waitForFinished(-1);
  *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  return process.readAllStandardOutput();
}

}  // namespace wendterm::test
