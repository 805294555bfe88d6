// The report's page: Letter paper with half-inch margins, and the band
// inside them that the text fills, page after page.
#pragma once

class QPrinter;
class QTextDocument;

namespace wendterm {

inline constexpr double kPageMarginMillimetres = 12.7;
inline constexpr double kBandWidthInches = 7.5;
inline constexpr double kBandHeightInches = 10.0;

// Letter paper, portrait, 12.7 mm margins on every side, one copy, no
// duplex, automatic paper source.
void setUpReportPrinter(QPrinter& printer);

// Prints the text on the printer: it fills the band at the top left of each
// page's printable area; what does not fit continues on the next page from
// the first line not yet printed, so no line is lost or printed twice. An
// empty text gives one empty page. A page range chosen in the print dialog
// and the page order are honoured. Returns the number of pages the text
// takes (not only those printed), or 0 when the printer cannot be opened.
int printReport(const QTextDocument& text, QPrinter& printer);

}  // namespace wendterm
