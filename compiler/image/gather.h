// The program model of a finished compile, gathered from the compiler's
// state once QUITDUMP has written the board's HEX image: the flash bytes as
// that image loads them, the code and data in it, the symbol map and the
// source-line positions.
//
//   image::ImageCapture capture;            // before the compile's QUITDUMP
//   ... compile and QUITDUMP ...
//   image::Program p = image::gather_program(capture.segments(error), map_text, cwd, &source);
//
// Until the next compile the compiler's tables hold the finished program;
// gather_program reads them there.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/listing.h"
#include "image/program.h"

namespace image {

// Collects the data records of the board's HEX image while it is written,
// unscrambled, at their target addresses. One capture may be alive at a
// time; it stops collecting when it goes out of scope.
class ImageCapture {
 public:
  ImageCapture();
  ~ImageCapture();
  ImageCapture(const ImageCapture &) = delete;
  ImageCapture &operator=(const ImageCapture &) = delete;
  // The bytes collected so far, as ascending, disjoint segments. Empty when
  // the records overlap (the program's code ran into its strings), with
  // the overlap in error.
  std::vector<Segment> segments(std::string &error) const;
};

// map_text is what QUITDUMP printed besides the HEX image (procedure map
// lines, the size summary, the symbol map); directory the directory relative
// file names start from. With source, line positions of lines the source
// does not have (the command that finished the program) are left out.
Program gather_program(const std::vector<Segment> &segments, const std::string &map_text,
                        const std::string &directory, const SourceText *source);

}  // namespace image
