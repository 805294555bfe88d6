// Where each source line's code begins. For every source line the compiler
// reads (not the driver's own lines: line markers, table downloads, echoes
// of its output) it records the file the last line marker named, the line
// number and the code unit at which the line's code starts. The ELF image's
// line information and the listing are made from it; nothing the compiler
// prints depends on it.
#pragma once
#include <cstdint>

#include "frontend/line_reader.h"

constexpr int32_t SOURCE_LINES_MAX = 65536;
constexpr int32_t SOURCE_FILES_MAX = 256;

struct SourceLine {
  uint16_t file;  // index into source_files
  uint16_t line;  // the line number errors report
  uint32_t unit;  // the first code unit of the line's code
};
extern SourceLine source_lines[SOURCE_LINES_MAX];
extern char source_files[SOURCE_FILES_MAX][FILENAME_SIZE];

struct SourceLineTable {
  int32_t count = 0;       // entries of source_lines in use
  int32_t file_count = 0;  // entries of source_files in use
  // Lines left out because a table was full. The program compiles on; only
  // those lines have no position.
  uint32_t dropped = 0;
};
extern SourceLineTable source_line_table;

// Records the line just read (reader.current_filename, diag.g_linenum) as
// beginning at code unit `unit`. The first line that does not fit gets a
// warning (report_warning: none in the standard-input protocol).
void note_source_line(uint32_t unit);

// No line recorded, for a new program.
void reset_source_lines();
