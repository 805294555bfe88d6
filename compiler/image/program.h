// The finished program as the image writers see it: what the flash holds
// once the board has loaded it, what each part of it is, the symbols and
// where each source line's code begins. The writers know nothing of the
// compiler's tables; the gatherer fills this model from them, and tests
// build it by hand.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace image {

// The instruction set of the program's own code.
enum class Isa : uint8_t { Thumb, Arm };

// Bytes the loader writes at consecutive addresses, unscrambled.
struct Segment {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;
  uint64_t end() const { return address + static_cast<uint64_t>(bytes.size()); }
};

enum class Contents : uint8_t {
  Code,        // the program's Thumb or ARM code with its literal pools
  IoHandler,   // code of the I/O-handler coprocessor (__IOHA__, __IOHB__)
  Strings,     // the constant string area
  SymbolPage,  // the page of symbol names and addresses some firmware keeps
};

// A half-open address range [start, end).
struct Range {
  uint32_t start = 0, end = 0;
  bool contains(uint32_t a) const { return a >= start && a < end; }
};

// One part of the flash. Where no segment covers an address of a span, the
// flash is erased there (0xFF).
struct Span {
  Contents contents = Contents::Code;
  Range range;
};

enum class SymbolKind : uint8_t {
  Code,    // a label, MAIN, a FUNCTION or SUB entry
  Object,  // a variable, array, pointer or constant string
};

struct Symbol {
  std::string name;
  SymbolKind kind = SymbolKind::Code;
  uint32_t address = 0;  // without the Thumb bit
  uint32_t size = 0;     // in bytes; 0 when unknown
  bool local = false;    // a FUNCTION's or SUB's own parameter or variable
};

// A global label's code begins with a branch over the prologue at which a
// GOSUB enters, one unit on; a GOSUB runs from there (body.start) up to the
// next label or routine.
struct GosubEntry {
  std::string label;
  Range body;
};

// The code of source line `line` of files[file] begins at address.
struct LinePosition {
  uint32_t file = 0;
  uint32_t line = 0;
  uint32_t address = 0;
};

struct Program {
  Isa isa = Isa::Thumb;
  uint32_t entry = 0;     // first instruction the board runs
  uint32_t code_end = 0;  // behind the last code unit; the rest of a code span is padding
  Range variables;        // the variable area in RAM
  std::vector<Segment> segments;  // ascending, disjoint
  std::vector<Span> spans;        // ascending, disjoint; together they cover every segment
  std::vector<Range> data;        // literal pools and other data words inside code spans
  std::vector<Symbol> symbols;
  std::vector<GosubEntry> gosub_entries;
  std::vector<std::string> files;
  std::vector<LinePosition> lines;  // in compiling order
  std::string directory;            // the directory relative file names start from
};

// "" when the model keeps its rules (segments and spans ascending and
// disjoint, every segment byte inside a span, data ranges inside code
// spans, line files known), else what breaks them.
std::string check(const Program &p);

// "0x0000ABCD", as the image library's messages and notes give addresses.
std::string hex_address(uint64_t address);

// The byte the flash holds at address: a segment's, or 0xFF (erased).
uint8_t flash_byte(const Program &p, uint32_t address);
// The flash bytes of range, erased where no segment covers them.
std::vector<uint8_t> flash_bytes(const Program &p, Range range);

// Code of the target or of the I/O-handler coprocessor.
inline bool is_code(Contents c) { return c == Contents::Code || c == Contents::IoHandler; }
// The part of a code span that holds code: what lies behind code_end only
// fills the loader's last record.
uint32_t code_end(const Program &p, const Span &s);

const Span *find_span(const Program &p, Contents contents);
// The span that holds address, or nullptr.
const Span *span_at(const Program &p, uint32_t address);
bool is_data(const Program &p, uint32_t address);

// The line positions as a debugger wants them: in address order inside code
// spans, one per address (a line that produced no code gives way to the
// line after it), each ending where the next begins. Each returned row's
// code runs up to the next row's address or to the end of its span.
std::vector<LinePosition> code_lines(const Program &p);

}  // namespace image
