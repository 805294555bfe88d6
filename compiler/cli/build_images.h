// The image formats of build besides the board's own HEX: standard Intel
// HEX, ELF with symbols and source lines, a raw binary, and the listing.
#pragma once
#include <string>
#include <vector>

#include "cli/compile_options.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "image/gather.h"

namespace ombrik::cli {

enum class ImageFormat {
  BoardHex,  // QUITDUMP's HEX, for the board's loader (the default)
  Ihex,      // standard Intel HEX
  Elf,
  Bin,
};

// What a build writes and where.
struct ImagePlan {
  ImageFormat format = ImageFormat::BoardHex;
  std::string image_path;
  std::string map_path;      // the summary and symbol map, beside the image
  std::string listing_path;  // empty without --listing
};

// --format and --listing.
std::vector<OptionDef> image_options();

// The plan from --format, -o and --listing: without --format the format
// follows the extension of -o (.ihex, .elf, .bin; anything else is the
// board's HEX); without -o the image goes beside the source with the
// format's extension. False with a message for an unknown format, an -o
// whose extension names another format, or outputs that would replace the
// source or each other.
bool plan_images(const ParsedOptions &options, const std::string &source_path, ImagePlan &plan, std::string &error);

// The name of a format in messages ("ELF image").
std::string format_name(ImageFormat format);

// The program model of a build that compiled without errors, with capture
// alive during the compile: its flash bytes, code, symbols and source-line
// positions, file names relative to the current directory. False with a
// message when the captured records overlap; image::check tells whether
// the model keeps its rules.
bool gather_build(const CompileInputs &inputs, const CompileResult &result, const image::ImageCapture &capture,
                  image::Program &program, std::string &error);

// The files of the plan once a build compiled without errors, with capture
// alive during the compile. note is a line for the user (the raw binary's
// load address), empty when there is none. False with a message when an
// image cannot be made.
bool image_outputs(const ImagePlan &plan, const CompileInputs &inputs, const CompileResult &result,
                   const image::ImageCapture &capture, std::vector<OutputFile> &files, std::string &note,
                   std::string &error);

}  // namespace ombrik::cli
