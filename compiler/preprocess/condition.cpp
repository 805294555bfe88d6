#include "preprocess/condition.h"

#include <set>
#include <vector>

#include "frontend/tokenizer.h"
#include "preprocess/line_lexer.h"

namespace ombrik {

namespace {

enum class Kind { Number, Operator, End };

struct Token {
  Kind kind;
  std::string text;  // operators folded to upper case
  int32_t value = 0;
};

const std::set<std::string> word_operators = {"AND", "OR", "XOR", "NOT", "MOD"};
const char *const two_char_operators[] = {"<>", "><", "<=", "=<", ">=", "=>", "<<", ">>"};
const std::set<std::string> symbol_operators = {"(",  ")",  "+",  "-",  "*",  "/",  "=",  "<", ">",
                                                "<>", "><", "<=", "=<", ">=", "=>", "<<", ">>"};
// Parentheses and prefix operators deeper than this are refused rather than
// risking the stack.
constexpr int NESTING_MAX = 256;

bool number_value(std::string_view t, int32_t &value, std::string &error) {
  size_t p = 0;
  uint32_t base = 10;
  if (t.substr(0, 2) == "0x" || t.substr(0, 2) == "&H") {
    base = 16;
    p = 2;
  } else if (!t.empty() && t[0] == '$') {
    base = 16;
    p = 1;
  } else if (!t.empty() && t[0] == '%') {
    base = 2;
    p = 1;
  }
  if (p == t.size()) {
    error = "number without digits '" + std::string(t) + "'";
    return false;
  }
  uint64_t v = 0;
  for (; p < t.size(); p++) {
    uint8_t c = to_upper(static_cast<uint8_t>(t[p]));
    uint32_t digit = is_num(c) ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : 99;
    if (digit >= base) {
      error = "'" + std::string(t) + "' is not an integer";
      return false;
    }
    v = v * base + digit;
    if (v > 0xFFFFFFFFu) {
      error = "number '" + std::string(t) + "' does not fit in 32 bits";
      return false;
    }
  }
  value = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}

class Parser {
 public:
  Parser(const MacroTable &macros, std::string &error) : macros_(macros), error_(error) {}

  bool tokenize(std::string_view text, std::set<std::string> &active, int depth) {
    if (depth > MacroTable::NESTING_MAX)
      return fail("macros nested more than " + std::to_string(MacroTable::NESTING_MAX) + " deep");
    std::vector<Span> spans = scan_line(text);
    for (size_t i = 0; i < spans.size(); i++) {
      const Span &s = spans[i];
      std::string_view piece = text.substr(s.begin, s.end - s.begin);
      switch (s.kind) {
        case SpanKind::Blank: break;
        case SpanKind::Comment: return true;
        case SpanKind::String: return fail("a string cannot be part of a condition");
        case SpanKind::Number: {
          int32_t v;
          if (!number_value(piece, v, error_)) return false;
          tokens_.push_back({Kind::Number, "", v});
          break;
        }
        case SpanKind::Word: {
          std::string name = fold_name(piece);
          if (name == "DEFINED") {
            if (!defined_operand(text, spans, i)) return false;
          } else if (word_operators.count(name)) {
            tokens_.push_back({Kind::Operator, name});
          } else if (const Macro *m = macros_.find(name); m && !active.count(name)) {
            active.insert(name);
            bool ok = tokenize(m->text, active, depth + 1);
            active.erase(name);
            if (!ok) return false;
          } else {
            return fail("'" + std::string(piece) + "' is not defined");
          }
          break;
        }
        case SpanKind::Other: {
          std::string op(piece);
          if (i + 1 < spans.size() && spans[i + 1].kind == SpanKind::Other) {
            std::string pair = op + text[spans[i + 1].begin];
            for (const char *two : two_char_operators)
              if (pair == two) {
                op = pair;
                i++;
              }
          }
          if (op == "&")
            op = "AND";
          else if (!symbol_operators.count(op))
            return fail("'" + op + "' cannot be part of a condition");
          tokens_.push_back({Kind::Operator, op});
          break;
        }
      }
    }
    return true;
  }

  bool evaluate(int32_t &value) {
    tokens_.push_back({Kind::End, ""});
    if (tokens_.size() == 1) return fail("condition expected");
    if (!parse_or(value)) return false;
    if (tokens_[pos_].kind != Kind::End) return fail("unexpected '" + describe(tokens_[pos_]) + "' in condition");
    return true;
  }

 private:
  // defined(NAME) or defined NAME, at spans[i]; leaves i on the last span used.
  bool defined_operand(std::string_view text, const std::vector<Span> &spans, size_t &i) {
    auto next = [&](size_t k) {
      while (k < spans.size() && spans[k].kind == SpanKind::Blank) k++;
      return k;
    };
    auto is_char = [&](size_t k, char c) {
      return k < spans.size() && spans[k].kind == SpanKind::Other && text[spans[k].begin] == c;
    };
    size_t k = next(i + 1);
    bool paren = is_char(k, '(');
    if (paren) k = next(k + 1);
    if (k >= spans.size() || spans[k].kind != SpanKind::Word) return fail("defined expects a name");
    bool yes = macros_.defined(text.substr(spans[k].begin, spans[k].end - spans[k].begin));
    if (paren) {
      k = next(k + 1);
      if (!is_char(k, ')')) return fail("missing ')' after defined(NAME");
    }
    tokens_.push_back({Kind::Number, "", yes ? -1 : 0});
    i = k;
    return true;
  }

  static std::string describe(const Token &t) {
    return t.kind == Kind::Number ? std::to_string(t.value) : t.kind == Kind::End ? "end of line" : t.text;
  }

  bool fail(const std::string &message) {
    error_ = message;
    return false;
  }

  bool accept(const char *op) {
    if (tokens_[pos_].kind == Kind::Operator && tokens_[pos_].text == op) {
      pos_++;
      return true;
    }
    return false;
  }

  static int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

  // Runs f one level deeper, refusing nesting beyond NESTING_MAX.
  template <typename F>
  bool deeper(F f) {
    if (++depth_ > NESTING_MAX) return fail("condition nested too deeply");
    bool ok = f();
    depth_--;
    return ok;
  }

  bool parse_or(int32_t &v) {
    return deeper([&] { return parse_or_operands(v); });
  }

  bool parse_or_operands(int32_t &v) {
    if (!parse_and(v)) return false;
    for (;;) {
      bool is_or = accept("OR");
      if (!is_or && !accept("XOR")) return true;
      int32_t r;
      if (!parse_and(r)) return false;
      v = is_or ? (v | r) : (v ^ r);
    }
  }

  bool parse_and(int32_t &v) {
    if (!parse_not(v)) return false;
    while (accept("AND")) {
      int32_t r;
      if (!parse_not(r)) return false;
      v &= r;
    }
    return true;
  }

  bool parse_not(int32_t &v) {
    if (accept("NOT"))
      return deeper([&] {
        if (!parse_not(v)) return false;
        v = ~v;
        return true;
      });
    return parse_comparison(v);
  }

  bool parse_comparison(int32_t &v) {
    if (!parse_shift(v)) return false;
    static const char *const ops[] = {"=", "<>", "><", "<", ">", "<=", "=<", ">=", "=>"};
    for (;;) {
      const char *found = nullptr;
      for (const char *op : ops)
        if (accept(op)) found = op;
      if (!found) return true;
      int32_t r;
      if (!parse_shift(r)) return false;
      std::string op = found;
      bool result = op == "="                    ? v == r
                    : (op == "<>" || op == "><") ? v != r
                    : op == "<"                  ? v < r
                    : op == ">"                  ? v > r
                    : (op == "<=" || op == "=<") ? v <= r
                                                 : v >= r;
      v = result ? -1 : 0;
    }
  }

  bool parse_shift(int32_t &v) {
    if (!parse_sum(v)) return false;
    for (;;) {
      bool left = accept("<<");
      if (!left && !accept(">>")) return true;
      int32_t r;
      if (!parse_sum(r)) return false;
      if (r < 0 || r > 31) return fail("shift by " + std::to_string(r) + " is outside 0 to 31");
      v = left ? wrap(static_cast<int64_t>(static_cast<uint32_t>(v) << r)) : (v >> r);
    }
  }

  bool parse_sum(int32_t &v) {
    if (!parse_product(v)) return false;
    for (;;) {
      bool plus = accept("+");
      if (!plus && !accept("-")) return true;
      int32_t r;
      if (!parse_product(r)) return false;
      v = wrap(plus ? static_cast<int64_t>(v) + r : static_cast<int64_t>(v) - r);
    }
  }

  bool parse_product(int32_t &v) {
    if (!parse_unary(v)) return false;
    for (;;) {
      char op = accept("*") ? '*' : accept("/") ? '/' : accept("MOD") ? '%' : 0;
      if (!op) return true;
      int32_t r;
      if (!parse_unary(r)) return false;
      if (op == '*') {
        v = wrap(static_cast<int64_t>(v) * r);
      } else {
        if (r == 0) return fail("division by zero in condition");
        v = op == '/' ? wrap(static_cast<int64_t>(v) / r) : wrap(static_cast<int64_t>(v) % r);
      }
    }
  }

  bool parse_unary(int32_t &v) {
    if (accept("-"))
      return deeper([&] {
        if (!parse_unary(v)) return false;
        v = wrap(-static_cast<int64_t>(v));
        return true;
      });
    if (accept("+")) return deeper([&] { return parse_unary(v); });
    return parse_primary(v);
  }

  bool parse_primary(int32_t &v) {
    const Token &t = tokens_[pos_];
    if (t.kind == Kind::Number) {
      v = t.value;
      pos_++;
      return true;
    }
    if (accept("(")) {
      if (!parse_or(v)) return false;
      if (!accept(")")) return fail("missing ')' in condition");
      return true;
    }
    return fail(t.kind == Kind::End ? "condition ends too early" : "unexpected '" + describe(t) + "' in condition");
  }

  const MacroTable &macros_;
  std::string &error_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

bool evaluate_condition(std::string_view text, const MacroTable &macros, int32_t &value, std::string &error) {
  Parser parser(macros, error);
  std::set<std::string> active;
  return parser.tokenize(text, active, 0) && parser.evaluate(value);
}

}  // namespace ombrik
