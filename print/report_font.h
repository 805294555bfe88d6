// The fonts the report and its form are set in.
#pragma once

#include <QFont>

namespace wendterm {

// The report's fixed-pitch font: "Fixedsys" at 13 pixels on a 96 dpi
// screen, that is 9.75 points. Where no such font exists the fixed-pitch
// hint lets the system's monospace font stand in. The size is in points so
// that the text keeps its size on a printer of any resolution.
QFont reportFont();

// The form's font: "Fixedsys" at 11 pixels (8.25 points).
QFont formFont();

}  // namespace wendterm
