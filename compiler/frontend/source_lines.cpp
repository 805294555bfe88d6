#include "frontend/source_lines.h"

#include <cstring>

#include "frontend/diagnostics.h"

SourceLine source_lines[SOURCE_LINES_MAX];
char source_files[SOURCE_FILES_MAX][FILENAME_SIZE];
SourceLineTable source_line_table;

namespace {

// The index of the current file's name, entered when new; -1 when the
// table of names is full.
int32_t current_file() {
  SourceLineTable &t = source_line_table;
  // Lines come in runs from one file: try the last one first.
  if (t.count > 0) {
    int32_t last = source_lines[t.count - 1].file;
    if (strcmp(source_files[last], reader.current_filename) == 0) return last;
  }
  for (int32_t k = 0; k < t.file_count; k++)
    if (strcmp(source_files[k], reader.current_filename) == 0) return k;
  if (t.file_count >= SOURCE_FILES_MAX) return -1;
  // current_filename is as long as a name here and always terminated.
  memcpy(source_files[t.file_count], reader.current_filename, FILENAME_SIZE);
  return t.file_count++;
}

}  // namespace

void note_source_line(uint32_t unit) {
  SourceLineTable &t = source_line_table;
  int32_t file = t.count < SOURCE_LINES_MAX ? current_file() : -1;
  if (file < 0) {
    if (t.dropped++ == 0)
      report_warning("too many source lines or files for the table of line positions: from this line on, lines "
                     "have no code position in the ELF image's line information or in the listing");
    return;
  }
  source_lines[t.count++] = {static_cast<uint16_t>(file), diag.g_linenum, unit};
}

void reset_source_lines() { source_line_table = SourceLineTable{}; }
