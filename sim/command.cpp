#include "sim/command.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "sim/board.h"
#include "sim/code_check.h"
#include "sim/console.h"
#include "sim/elf_image.h"
#include "sim/format.h"
#include "sim/gdb_server.h"
#include "sim/machine.h"
#include "sim/pins.h"

namespace sim {

namespace {

bool read_text(const std::string &path, std::string &text, std::string &error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path + ": " + strerror(errno);
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  text = s.str();
  return true;
}

bool ends_with(const std::string &s, const char *tail) {
  size_t n = strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool whole_number(const std::string &s, uint64_t low, uint64_t high, uint64_t &v) {
  if (s.empty() || s.size() > 19 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  v = strtoull(s.c_str(), nullptr, 10);
  return v >= low && v <= high;
}

// The image must begin with the start-up jump of its board's code: a BL
// pair in Thumb code, a B word in ARM code.
bool starts_like(const Board &b, const Image &image) {
  const Segment *s = image.find(b.code_start);
  if (!s || s->end() < b.code_start + 4) return false;
  const uint8_t *p = s->bytes.data() + (b.code_start - s->address);
  if (b.arm()) return p[3] == 0xEA;
  uint16_t first = static_cast<uint16_t>(p[0] | p[1] << 8), second = static_cast<uint16_t>(p[2] | p[3] << 8);
  return (first & 0xF800) == 0xF000 && (second & 0xF800) == 0xF800;
}

}  // namespace

const SimOptionHelp sim_option_help[7] = {
    {"board", "cortex|arm7", "the board (default: the table's, else cortex)"},
    {"max-instructions", "N", "stop after N instructions"},
    {"max-time", "MS", "stop after MS milliseconds of simulated time"},
    {"stats", "", "print the instructions, simulated time and firmware calls at the end"},
    {"trace", "lines", "print FILE:LINE as execution reaches each source line"},
    {"gdb", "PORT", "serve the GDB remote protocol on 127.0.0.1:PORT (0: a free port)"},
    {"pins", "FILE", "input pins over time, lines \"MS pin N high|low\" or \"MS ad N VALUE\";\n"
                     "without it inputs read low and AD channels 0"},
};

std::string sim_status_help() {
  return "  " + std::to_string(SIM_BAD_IMAGE) + "  the image cannot be read or is not for the board\n" + "  " +
         std::to_string(SIM_FAULT) + "  the program stopped with a fault\n" + "  " + std::to_string(SIM_LIMIT) +
         "  --max-instructions or --max-time stopped it\n";
}

bool set_sim_option(SimOptions &o, const std::string &name, const std::string &value, std::string &error) {
  uint64_t n;
  if (name == "board") {
    if (value != "cortex" && value != "arm7") {
      error = "--board is cortex or arm7, not " + value;
      return false;
    }
    o.board = value;
  } else if (name == "max-instructions") {
    if (!whole_number(value, 1, UINT64_MAX / 2, n)) {
      error = "--max-instructions needs a positive whole number, not " + value;
      return false;
    }
    o.limits.max_instructions = n;
  } else if (name == "max-time") {
    if (!whole_number(value, 1, 1ULL << 40, n)) {
      error = "--max-time needs a positive whole number of milliseconds, not " + value;
      return false;
    }
    o.limits.max_time_ms = n;
  } else if (name == "stats") {
    o.stats = true;
  } else if (name == "trace") {
    if (value != "lines") {
      error = "--trace takes lines, not " + value;
      return false;
    }
    o.trace_lines = true;
  } else if (name == "gdb") {
    if (!whole_number(value, 0, 65535, n)) {
      error = "--gdb needs a port number from 0 to 65535, not " + value;
      return false;
    }
    o.gdb_port = static_cast<int>(n);
  } else if (name == "pins") {
    o.pins = value;
  } else {
    error = "no option --" + name;
    return false;
  }
  return true;
}

bool load_image_file(const std::string &path, const Board &board, Program &program, std::string &error) {
  std::string text;
  if (!read_text(path, text, error)) return false;
  if (text.rfind("\x7f" "ELF", 0) == 0) return load_elf(path, text, program, error);
  if (!parse_hex(text, program.image, error, board.hex_upper_offset, board.hex_key())) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

int run_sim(const SimOptions &o, const SimHost &host, FILE *out, FILE *err, FILE *in) {
  std::string error;
  std::vector<uint16_t> table;
  if (!o.table.empty()) {
    if (int status = host.read_table(o.table, table)) return status;
  } else {
    table = board_table(o.board.empty() ? "cortex" : o.board);
  }
  Board board;
  if (!make_board(table, board, error)) {
    fprintf(err, "sim: %s\n", error.c_str());
    return SIM_BAD_IMAGE;
  }
  if (!o.board.empty() && o.board != board.name) {
    fprintf(err, "sim: the table %s is for the %s board (firmware version %u), not %s\n", o.table.c_str(),
            board.name.c_str(), board.version, o.board.c_str());
    return SIM_USAGE;
  }

  std::vector<PinEvent> pin_events;
  if (!o.pins.empty()) {
    std::string text;
    if (!read_text(o.pins, text, error)) {
      fprintf(err, "sim: %s\n", error.c_str());
      return SIM_USAGE;
    }
    if (!parse_pin_script(text, board.gpio_ports * 32, pin_events, error)) {
      fprintf(err, "sim: %s: %s\n", o.pins.c_str(), error.c_str());
      return SIM_USAGE;
    }
  }

  Program program;
  if (ends_with(o.file, ".bas")) {
    int status = host.compile(o.file, board, program);
    if (status != 0) return status;
  } else if (!load_image_file(o.file, board, program, error)) {
    fprintf(err, "sim: %s\n", error.c_str());
    return SIM_BAD_IMAGE;
  }
  if (program.image.format == ImageFormat::Elf && program.thumb_entry == board.arm()) {
    fprintf(err, "sim: %s holds %s code, but the %s board runs %s code\n", o.file.c_str(),
            program.thumb_entry ? "Thumb" : "ARM", board.name.c_str(), board.arm() ? "ARM" : "Thumb");
    return SIM_BAD_IMAGE;
  }
  if (!starts_like(board, program.image)) {
    fprintf(err, "sim: %s does not start with %s code at %s, where the %s board's table puts the code start%s\n",
            o.file.c_str(), board.arm() ? "ARM" : "Thumb", hex32(board.code_start).c_str(), board.name.c_str(),
            o.table.empty() ? " (give the table the image was built with: -t TABLE)" : "");
    return SIM_BAD_IMAGE;
  }
  CodeMap code = check_code(board, program.image);
  bool strict = code.errors.empty();
  for (size_t k = 0; k < code.errors.size() && k < 3; k++)
    fprintf(err, "sim: warning: code check: %s\n", code.errors[k].c_str());

  StreamConsole console(out, err, in);
  Machine machine(board, program.image, code, console);
  if (!machine.start(error)) {
    fprintf(err, "sim: %s\n", error.c_str());
    return SIM_BAD_IMAGE;
  }
  machine.set_strict(strict);
  machine.set_limits(o.limits);
  machine.set_pin_script(std::move(pin_events));
  const LineTable &lines = program.lines;
  if (!lines.empty()) machine.set_locator([&lines](uint32_t a) { return lines.locate(a); });
  if (o.trace_lines)
    machine.set_line_trace(lines, [err, out](const SourceLine &l) {
      fflush(out);
      fprintf(err, "%s:%d\n", l.file.c_str(), l.line);
    });

  Stop stop;
  if (o.gdb_port >= 0) {
    if (!serve_gdb(machine, o.gdb_port, err, stop, error)) {
      fprintf(err, "sim: %s\n", error.c_str());
      return SIM_USAGE;
    }
  } else {
    stop = machine.run();
  }
  fflush(out);
  int status = SIM_OK;
  if (stop.kind == StopKind::Fault) {
    fprintf(err, "sim: %s\n", stop.message.c_str());
    status = SIM_FAULT;
  } else if (stop.kind == StopKind::Limit) {
    fprintf(err, "sim: stopped: %s\n", stop.message.c_str());
    status = SIM_LIMIT;
  }
  if (o.stats) fputs(machine.stats_text().c_str(), err);
  return status;
}

}  // namespace sim
