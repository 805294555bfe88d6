#include <cstdio>

#include "compile/procedures.h"
#include "compile/statement.h"
#include "core/process.h"
#include "driver/driver.h"
#include "frontend/diagnostics.h"
#include "frontend/line_reader.h"
#include "frontend/tokenizer.h"

DriverState driver;

namespace {

// The two-word terminators (END IF, END SELECT, END FUNCTION, END SUB) leave
// the cursor on their second word with g_token replaced by the one-word code.
constexpr uint16_t two_word_terminators[] = {TOK_ENDIF, TOK_ENDSELECT, TOK_ENDFUNCTION, TOK_ENDSUB};

// The dispatchers act only on a token that heads its line, so that a command
// word inside a statement that failed is never taken for a command.
bool token_heads_line() {
  if (cursor.g_tokenptr == 0) return cursor.g_token == g_tokenlist[0];
  if (cursor.g_tokenptr != 1 || g_tokenlist[0] != TOK_END) return false;
  for (uint16_t t : two_word_terminators)
    if (cursor.g_token == t) return true;
  return false;
}

struct StrayLine {
  uint16_t token;
  const char *message;
};

constexpr StrayLine stray_lines[] = {
    {TOK_DATA, "DATA statements no longer supported"},
    {TOK_NEXT, "NEXT Without FOR"},
    {TOK_ENDIF, "ENDIF Without IF"},
    {TOK_ELSE, "ELSE Without IF"},
    {TOK_EXIT, "EXIT outside a loop"},
    {TOK_CASE, "CASE invalid"},
    {TOK_ENDSELECT, "Expected ENDSELECT"},
    {TOK_UNTIL, "UNTIL Without DO"},
    {TOK_LOOP, "LOOP Without WHILE"},
};

}  // namespace

int all_compilers() {
  if (!token_heads_line()) return 0;
  if (cursor.g_token == TOK_FUNCTION || cursor.g_token == TOK_SUB) {
    do_subfunc(0);
    return 1;
  }
  for (const StrayLine &s : stray_lines) {
    if (cursor.g_token == s.token) {
      print_error_ln(s.message);
      return 1;
    }
  }
  return 0;
}

int pc_commands() {
  bool heads = token_heads_line();
  // QUITNOW may also follow a complete statement on its line.
  bool quitnow_after_statement =
      driver.last_compile_ok && cursor.g_token == TOK_QUITNOW && g_tokenlist[cursor.g_tokenptr] == TOK_QUITNOW;
  if (!heads && !quitnow_after_statement) return 0;
  switch (cursor.g_token) {
    case TOK_DOWNLOAD:
      download_firmware_table();
      break;
    case TOK_QUITDUMP:
      quit_dump();
    case TOK_RUN:
      run_on_host();
      break;
    case TOK_QUIT:
    case TOK_QUITNOW: end_process(ExitStatus::Done);
    case TOK_DRIVER_LINE:
      // ":" and "@" share the token; only a record line is checked.
      if (reader.line[0] == ':')
        check_hex_record(reader.line);
      else if (reader.line[0] != '@')
        return 0;
      break;
    default:
      return 0;
  }
  fflush(stdout);
  return 1;
}

void command_loop() {
  for (;;) {
    driver.last_compile_ok = compile(0) ? 1 : 0;
    if (all_compilers()) continue;
    pc_commands();
  }
}
