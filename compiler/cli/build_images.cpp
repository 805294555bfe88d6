#include "cli/build_images.h"

#include <cstdio>
#include <filesystem>

#include "cli/subcommands.h"
#include "image/elf_writer.h"
#include "image/intel_hex.h"
#include "image/listing.h"
#include "image/raw_binary.h"

namespace ombrik::cli {

namespace {

struct FormatInfo {
  ImageFormat format;
  const char *name;       // as --format takes it
  const char *extension;  // of the default output
  const char *description;
};

constexpr FormatInfo formats[] = {
    {ImageFormat::BoardHex, "hex", ".hex", "board HEX image"},
    {ImageFormat::Ihex, "ihex", ".ihex", "Intel HEX image"},
    {ImageFormat::Elf, "elf", ".elf", "ELF image"},
    {ImageFormat::Bin, "bin", ".bin", "raw binary"},
};

const FormatInfo &info(ImageFormat f) {
  for (const FormatInfo &i : formats)
    if (i.format == f) return i;
  return formats[0];
}

std::string with_extension(const std::string &path, const char *extension) {
  return std::filesystem::path(path).replace_extension(extension).string();
}

// The source text as the compiler read it, by file, for the listing and
// for telling source lines from the command that ended the compile.
image::SourceText source_text(const PreprocessResult &source) {
  image::SourceText text;
  for (const OutputLine &l : source.lines) {
    if (l.file < 0 || l.line == 0) continue;
    std::vector<std::string> &lines = text.files[source.file_names[static_cast<size_t>(l.file)]];
    if (lines.size() < l.line) lines.resize(l.line);
    lines[l.line - 1] = l.source();
  }
  return text;
}

// The end of the listing: the size summary as build prints it, then the
// symbol map's lines (procedures and their locals, then the globals).
std::string listing_trailer(const std::string &text) {
  std::string map;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (text.compare(start, 2, "> ") == 0) map += text.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return display_lines(text) + "\n" + map;
}

}  // namespace

std::vector<OptionDef> image_options() {
  return {
      {"format", 0, "FORMAT",
       "the image's format: hex (the board's loader, the default), ihex\n"
       "(standard Intel HEX), elf (ELF with symbols and source lines) or bin\n"
       "(raw bytes from the code to the end of the strings); without it the\n"
       "extension of -o decides (.ihex, .elf, .bin)"},
      {"listing", 0, "", "write a listing beside the image as OUT with .lst: each source line\n"
                         "with its code, disassembled, then the size summary and symbol map"},
  };
}

bool plan_images(const ParsedOptions &options, const std::string &source_path, ImagePlan &plan, std::string &error) {
  const FormatInfo *chosen = nullptr;
  if (options.has("format")) {
    std::string name = options.value("format");
    for (const FormatInfo &i : formats)
      if (name == i.name) chosen = &i;
    if (!chosen) {
      error = "unknown image format '" + name + "' (hex, ihex, elf or bin)";
      return false;
    }
  }
  if (options.has("output")) {
    plan.image_path = options.value("output");
    std::string extension = std::filesystem::path(plan.image_path).extension().string();
    const FormatInfo *named = nullptr;
    for (const FormatInfo &i : formats)
      if (extension == i.extension) named = &i;
    if (chosen && named && named != chosen) {
      error = "the output '" + plan.image_path + "' has the extension of the " + named->description +
              ", but --format=" + chosen->name + " asks for the " + chosen->description;
      return false;
    }
    if (!chosen) chosen = named ? named : &info(ImageFormat::BoardHex);
  } else {
    if (!chosen) chosen = &info(ImageFormat::BoardHex);
    plan.image_path = with_extension(source_path, chosen->extension);
  }
  plan.format = chosen->format;
  plan.map_path = with_extension(plan.image_path, ".map");
  plan.listing_path = options.has("listing") ? with_extension(plan.image_path, ".lst") : "";

  std::vector<std::string> outputs = {plan.image_path, plan.map_path};
  if (!plan.listing_path.empty()) outputs.push_back(plan.listing_path);
  for (size_t k = 0; k < outputs.size(); k++) {
    if (outputs[k] == source_path) {
      error = "the output '" + outputs[k] + "' would replace the source file";
      return false;
    }
    for (size_t j = 0; j < k; j++)
      if (outputs[j] == outputs[k]) {
        error = "the output '" + plan.image_path + "' would be replaced by its own " + (k == 1 ? "map" : "listing");
        return false;
      }
  }
  return true;
}

std::string format_name(ImageFormat format) { return info(format).description; }

bool gather_build(const CompileInputs &inputs, const CompileResult &result, const image::ImageCapture &capture,
                  image::Program &program, std::string &error) {
  std::vector<image::Segment> segments = capture.segments(error);
  if (!error.empty()) return false;
  image::SourceText text = source_text(inputs.source);
  std::error_code ignored;
  program = image::gather_program(segments, result.text, std::filesystem::current_path(ignored).string(), &text);
  return true;
}

bool image_outputs(const ImagePlan &plan, const CompileInputs &inputs, const CompileResult &result,
                   const image::ImageCapture &capture, std::vector<OutputFile> &files, std::string &note,
                   std::string &error) {
  note.clear();
  files.clear();
  if (plan.format == ImageFormat::BoardHex) files.push_back({plan.image_path, result.image});
  if (plan.format != ImageFormat::BoardHex || !plan.listing_path.empty()) {
    image::Program p;
    if (!gather_build(inputs, result, capture, p, error)) return false;
    std::string problem = image::check(p);
    if (!problem.empty()) {
      error = "cannot make the " + format_name(plan.format) + ": " + problem;
      return false;
    }
    image::SourceText text = source_text(inputs.source);
    if (plan.format == ImageFormat::Ihex) {
      files.push_back({plan.image_path, image::intel_hex(p)});
    } else if (plan.format == ImageFormat::Elf) {
      std::string bytes;
      error = image::elf_bytes(p, "ombrik " + version_number(), bytes);
      if (!error.empty()) return false;
      files.push_back({plan.image_path, bytes});
    } else if (plan.format == ImageFormat::Bin) {
      image::RawBinary bin = image::raw_binary(p);
      files.push_back({plan.image_path, std::string(bin.bytes.begin(), bin.bytes.end())});
      note = plan.image_path + ": " + std::to_string(bin.bytes.size()) + " bytes to load at " +
             image::hex_address(bin.address) + "\n";
    }
    if (!plan.listing_path.empty()) {
      std::string listing;
      error = image::write_listing(p, text, listing_trailer(result.text), listing);
      if (!error.empty()) return false;
      files.push_back({plan.listing_path, listing});
    }
  }
  files.push_back({plan.map_path, result.text});
  return true;
}

}  // namespace ombrik::cli
