#include "compile/statement.h"

#include "compile/expression.h"
#include "driver/driver.h"
#include "frontend/diagnostics.h"
#include "frontend/tokenizer.h"

namespace {

constexpr uint16_t TOK_END = 124, TOK_CLEAR = 242;

struct TwoWordEnd {
  uint16_t second;
  uint16_t terminator;
};

// END IF, END SELECT, END FUNCTION and END SUB stand for their one-word forms.
constexpr TwoWordEnd two_word_ends[] = {{234, 235}, {219, 221}, {245, 211}, {142, 208}};

// Tokens that end a compile call when they head a line: block terminators
// and the lines that belong to the driver.
constexpr uint16_t line_enders[] = {
    248, 245, 142,                          // DATA, FUNCTION, SUB
    231, 246, 216, 217, 215, 241, 252, 56,  // RUN, QUIT, QUITNOW, QUITDUMP, driver lines
    232, 233, 235, 211, 208,                // ELSEIF, ELSE, ENDIF, ENDFUNCTION, ENDSUB
    220, 221,                               // CASE, ENDSELECT
    237, 236,                               // LOOP, UNTIL
    229,                                    // NEXT
};

bool ends_compile(uint16_t t) {
  for (uint16_t e : line_enders)
    if (t == e) return true;
  return false;
}

}  // namespace

// Statements are not compiled yet: every other line is accepted without code.
int compile(int32_t exitHandle) {
  (void)exitHandle;
  for (;;) {
    integer_ops = 1;
    bitwise_ops = 1;
    if (!read_tokenize_line()) return 0;
    g_tokenptr = 0;
    g_token = g_tokenlist[0];
    if (g_token == TOK_END && g_tokenlist[1] != TOK_EOL) {
      g_tokenptr = 1;
      for (const TwoWordEnd &e : two_word_ends)
        if (g_tokenlist[1] == e.second) g_token = e.terminator;
      if (g_token == TOK_END) {
        g_tokenptr = 0;
      } else if (g_tokenlist[2] != TOK_EOL) {
        not_eoln();
        return 0;
      }
    }
    if (g_token == TOK_EOL) continue;
    if (ends_compile(g_token)) return 1;
    if (g_token == TOK_CLEAR) {
      init_compiler();
      continue;
    }
  }
}
