// Start-up of WendtermPrint.
#pragma once

#include <QString>

#include <optional>

class QApplication;

namespace wendterm {

// The path to print: a copy of the first command-line argument, taken
// before Qt removes the arguments it recognises. Further arguments are
// ignored.
std::optional<QString> pathArgument(int argc, char** argv);

// Names the application, shows the form, which prints the file at `path`
// through the preview, and runs the event loop until the program is done.
int runPrintProgram(QApplication& app, const std::optional<QString>& path);

}  // namespace wendterm
