// The print-preview window the report is shown and printed from.
#pragma once

class QTextDocument;
class QWidget;

namespace wendterm {

// The zoom the preview opens at: the page at its real size.
inline constexpr double kPreviewZoom = 1.0;

// Shows the text as a report in a print-preview window at 100 % zoom and
// returns when the window has closed (or the application is quitting).
// Printing from the window prints the same pages on the chosen printer.
void showReportPreview(const QTextDocument& text, QWidget* parent);

}  // namespace wendterm
