#include "generator.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace difftest {

namespace {

// splitmix64: the same numbers from a seed on every platform and library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  int range(int low, int high) { return low + below(high - low + 1); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T>
  const T &pick(const std::vector<T> &v) {
    return v[static_cast<size_t>(below(static_cast<int>(v.size())))];
  }

 private:
  uint64_t state_;
};

// Parameter kinds of FUNCTION and SUB headers.
enum class Param { Int, ByValInt, ByValSingle, ByRefInt, ByRefSingle, ByValString, ByRefString, IntArray, ParamArray };

struct Routine {
  std::string name;
  char result = 0;  // 'i', 'f', 's' for a FUNCTION; 0 for a SUB
  std::vector<Param> params;
  double work = 1;  // statements one call runs at most, its calls included
};

// Names visible where a statement or expression is generated.
struct Scope {
  std::vector<std::string> ints, singles, strings;             // readable scalars
  std::vector<std::string> int_targets, single_targets, string_targets;
  std::vector<std::string> int_arrays, single_arrays;          // 8 or more elements
  std::vector<std::string> param_arrays;                       // 16 words
  std::vector<std::string> free_counters;                      // FOR/WHILE counters not in use
  std::vector<const Routine *> routines;                       // callable
  std::vector<std::string> gosub_labels;
  bool in_loop = false;
  bool in_routine = false;
  bool in_gosub = false;
};

constexpr int kMaxExprDepth = 3;
// Statements a program may run at most. Loops are bounded one by one, but a
// loop that calls a routine whose loops call another multiplies the trip
// counts; every call is checked against this so that RUN and the boards
// finish in milliseconds.
constexpr double kMaxWork = 50000;
constexpr int kMaxBlockDepth = 3;

class Generator {
 public:
  explicit Generator(uint64_t seed) : rnd_(seed), seed_(seed) {}
  Node program();

 private:
  // --- Expressions ---------------------------------------------------------
  // mode: 'i' compiled as INTEGER, 'f' as SINGLE, 'n' either (only + - *,
  // division by a whole non-zero literal, no bitwise or shift operators).
  Node expr(char mode, int depth);
  Node operand(char mode, int depth);
  Node int_literal();
  Node single_literal();
  Node nonzero_divisor(char mode, int depth);
  Node index_guard(int mask, int depth);
  Node call(const Routine &r, int depth);
  Node typed(char mode, Node e);  // makes the first typed operand give mode
  Node condition(int depth);
  Node string_expr(int depth, bool allow_call);
  Node string_terms(int depth, bool allow_call);
  // A string value argument is a string expression of its own, which the
  // one string accumulator cannot hold while another is being built.
  static bool takes_no_string_value(const Routine &r) {
    for (Param p : r.params)
      if (p == Param::ByValString) return false;
    return true;
  }
  bool callable_here(const Routine &r) const {
    return (!in_string_ || takes_no_string_value(r)) && affordable(r.work);
  }
  bool affordable(double work) const { return work_ + weight_ * work <= kMaxWork; }
  // Whether the line being generated fits the compiler's line length.
  static bool fits(const Node &n);

  // --- Statements ----------------------------------------------------------
  Node nested(int depth, int count);
  Node any_statement(int depth);
  Node one_statement(int depth);
  Node simple_statement(int depth);
  Node assignment(int depth);
  Node print_statement(int depth);
  Node if_statement(int depth);
  Node for_statement(int depth);
  Node while_statement(int depth);
  Node do_statement(int depth);
  Node select_statement(int depth);
  std::optional<Node> sub_call(int depth);
  Node routine_definition(Routine &r);

  std::string take_counter();
  // The body of a loop counted by counter, which the body reads but never
  // writes; the counter is free again afterwards.
  Node loop_body(const std::string &counter, int trips, int depth);
  void give_back(const std::string &counter) { scope_.free_counters.push_back(counter); }

  Random rnd_;
  uint64_t seed_;
  Scope scope_;
  std::vector<Routine> routines_;
  std::vector<double> gosub_work_;  // per label of scope_.gosub_labels
  bool in_string_ = false;
  // The work model: weight_ is how often the statement being generated runs
  // per run of the routine (or main program, or GOSUB) around it, the
  // product of the trip counts of the loops around it; work_ is what that
  // body runs so far.
  double weight_ = 1;
  double work_ = 0;
};

std::string number(long long v) { return std::to_string(v); }

Node binary(Node left, const std::string &op, Node right, char type) {
  Node n;
  n.kind = Kind::Expression;
  n.text = {"", " " + op + " ", ""};
  n.kids = {std::move(left), std::move(right)};
  n.type = type;
  n.simplest = type == 'f' ? "1.0" : "1";
  return n;
}

Node wrap(const std::string &before, Node inner, const std::string &after) {
  Node n;
  n.kind = Kind::Expression;
  n.type = inner.type;
  n.simplest = inner.type == 'f' ? "1.0" : inner.type == 's' ? "\"\"" : "1";
  n.text = {before, after};
  n.kids = {std::move(inner)};
  return n;
}

Node Generator::int_literal() {
  static const int64_t specials[] = {0, 1, 255, 256, 257, 65535, 65536, 0x7FFFFFFF, -1, -255, -256, -257,
                                     -65536, 0xFF00, 0xFF000000LL, 0x3FC, 0x80000001LL, 1000000, 31, 32, 33};
  int64_t v;
  switch (rnd_.below(9)) {
    case 0: v = rnd_.range(0, 7); break;
    case 1: v = rnd_.range(8, 255); break;
    case 2: v = rnd_.range(256, 4095); break;
    case 3: v = rnd_.range(4096, 65535); break;
    case 4: v = static_cast<int32_t>(rnd_.next()); break;
    case 5: v = int64_t{0xFF} << rnd_.range(0, 24); break;           // rotated immediates
    case 6: v = ~(int64_t{0xFF} << rnd_.range(0, 24)); break;
    case 7: v = -rnd_.range(1, 300); break;
    default: v = specials[rnd_.below(static_cast<int>(sizeof specials / sizeof specials[0]))]; break;
  }
  v = static_cast<int32_t>(static_cast<uint32_t>(v));
  std::string text;
  const uint32_t u = static_cast<uint32_t>(v);
  if (u > 255 && rnd_.chance(25)) {
    char buf[16];
    snprintf(buf, sizeof buf, "&H%X", u);
    text = buf;
  } else if (u < 64 && rnd_.chance(10)) {
    text = "%";
    for (int b = 5; b >= 0; b--) text += (u >> b & 1) ? '1' : '0';
  } else if (v == INT32_MIN) {
    text = "&H80000000";
  } else if (v < 0) {
    text = "(" + number(v) + ")";
  } else {
    text = number(v);
  }
  return leaf(text, 'i', 'i', "1");
}

Node Generator::single_literal() {
  static const std::vector<std::string> values = {"0.5",  "1.5",    "2.25",     "0.1",   "3.0",     "100.0",
                                                  "1E3",  "2.5E-3", "123456.7", "1E10",  "0.0",     "7.75",
                                                  "1E-5", "65536.0", "3.14159", "2.0E9", "0.333333", "-2.75"};
  std::string v = rnd_.pick(values);
  if (v[0] == '-') v = "(" + v + ")";
  return leaf(v, 'f', 'f', "1.0");
}

Node Generator::index_guard(int mask, int depth) {
  if (rnd_.chance(30)) return leaf(number(rnd_.range(0, mask)), 'i', 'i', "0");
  // The operand in parentheses of its own: no operator in it can take the
  // AND's place, and inside parentheses AND is bitwise.
  Node g = wrap("((", expr('i', depth + 1), ") AND " + number(mask) + ")");
  g.guard = true;
  g.simplest = "0";
  return g;
}

Node Generator::nonzero_divisor(char mode, int depth) {
  if (mode == 'i') {
    // Bitwise inside parentheses whatever came before: never 0.
    Node g = wrap("((", expr('i', depth + 1), ") OR 1)");
    g.guard = true;
    g.simplest = "1";
    return g;
  }
  // SINGLE or either mode: a whole non-zero literal is non-zero in both.
  static const std::vector<std::string> divisors = {"2", "3", "7", "(-4)", "10", "1000"};
  return leaf(rnd_.pick(divisors), 'i', 'i', "");
}

Node Generator::call(const Routine &r, int depth) {
  work_ += weight_ * r.work;
  Node n;
  n.kind = Kind::Expression;
  n.type = r.result;
  n.decides = r.result == 's' ? 0 : r.result;
  n.simplest = r.result == 'f' ? "1.0" : r.result == 's' ? "" : "1";
  n.text = {r.name + "("};
  bool first = true;
  auto add = [&](Node arg) {
    if (!first) n.text.back() += ", ";
    first = false;
    n.kids.push_back(std::move(arg));
    n.text.push_back("");
  };
  for (Param p : r.params) {
    switch (p) {
      case Param::Int:
      case Param::ByValInt: add(expr('i', depth + 1)); break;
      case Param::ByValSingle: add(expr('f', depth + 1)); break;
      case Param::ByRefInt: add(leaf(rnd_.pick(scope_.int_targets), 'i', 'i', "")); break;
      case Param::ByRefSingle: add(leaf(rnd_.pick(scope_.single_targets), 'f', 'f', "")); break;
      case Param::ByValString: {
        static const std::vector<std::string> words = {"\"abc\"", "\"Hello\"", "\"\"", "\"x y\"", "\"42\""};
        add(rnd_.chance(50) ? leaf(rnd_.pick(scope_.strings), 's', 0, "")
                            : leaf(rnd_.pick(words), 's', 0, ""));
        break;
      }
      case Param::ByRefString: add(leaf(rnd_.pick(scope_.string_targets), 's', 0, "")); break;
      case Param::IntArray: add(leaf(rnd_.pick(scope_.int_arrays), 'i', 0, "")); break;
      case Param::ParamArray: {
        // The list takes the type the argument before it left.
        const int count = rnd_.range(1, 5);
        for (int k = 0; k < count; k++) add(expr('n', depth + 1));
        break;
      }
    }
  }
  n.text.back() += ")";
  return n;
}

Node Generator::typed(char mode, Node e) {
  const char decided = first_decided_type(e);
  if (decided == mode || (mode == 'i' && decided == 0)) return e;
  Node prefix = leaf(mode == 'f' ? "0.0" : "0", mode, mode, "");
  return binary(std::move(prefix), "+", std::move(e), mode);
}

Node Generator::operand(char mode, int depth) {
  const bool deep = depth >= kMaxExprDepth;
  std::vector<const Routine *> functions;
  for (const Routine *r : scope_.routines)
    if ((r->result == 'i' || r->result == 'f') && callable_here(*r)) functions.push_back(r);
  for (;;) {
    switch (rnd_.below(deep ? 4 : 11)) {
      case 0:
      case 1:
        if (mode == 'f' && rnd_.chance(70)) return leaf(rnd_.pick(scope_.singles), 'f', 'f', "1.0");
        return leaf(rnd_.pick(scope_.ints), 'i', 'i', "1");
      case 2: return mode == 'f' && rnd_.chance(60) ? single_literal() : int_literal();
      case 3:
        if (mode == 'f' || rnd_.chance(15)) return rnd_.chance(50) ? single_literal()
                                                                    : leaf(rnd_.pick(scope_.singles), 'f', 'f', "1.0");
        return int_literal();
      case 4: {
        const bool single = mode == 'f' ? rnd_.chance(60) : rnd_.chance(20);
        const std::vector<std::string> &arrays = single ? scope_.single_arrays : scope_.int_arrays;
        if (arrays.empty()) continue;
        Node n = wrap(rnd_.pick(arrays) + "(", index_guard(7, depth), ")");
        n.type = single ? 'f' : 'i';
        n.decides = n.type;
        n.simplest = single ? "1.0" : "1";
        return n;
      }
      case 5:
        if (scope_.param_arrays.empty() || mode == 'f') continue;
        {
          Node n = wrap(rnd_.pick(scope_.param_arrays) + "(", index_guard(15, depth), ")");
          n.decides = 'i';
          return n;
        }
      case 6:
        if (functions.empty() || depth >= kMaxExprDepth - 1) continue;
        return call(*rnd_.pick(functions), depth);
      case 7: return wrap("ABS(", expr(mode, depth + 1), ")");
      case 8:
        // The built-in integer functions refuse a SINGLE expression, and
        // in either mode it may be one.
        if (mode != 'i') continue;
        switch (rnd_.below(3)) {
          case 0: return leaf("LEN(" + rnd_.pick(scope_.strings) + ")", 'i', 0, "1");
          case 1: return leaf("VAL(" + rnd_.pick(scope_.strings) + ")", 'i', 0, "1");
          default:
            return leaf("STRCOMP(" + rnd_.pick(scope_.strings) + ", " + rnd_.pick(scope_.strings) + ")", 'i', 0,
                        "1");
        }
      case 9:
        if (mode != 'i') continue;
        return wrap(rnd_.chance(50) ? "(NOT " : "(-", expr('i', depth + 1), ")");
      default: return wrap("(", expr(mode, depth + 1), ")");
    }
  }
}

Node Generator::expr(char mode, int depth) {
  if (depth >= kMaxExprDepth || rnd_.chance(35)) return operand(mode, depth);
  const char type = mode == 'f' ? 'f' : 'i';
  Node left = operand(mode, depth);
  if (mode == 'n') {
    switch (rnd_.below(4)) {
      case 0: return binary(std::move(left), "+", expr(mode, depth + 1), type);
      case 1: return binary(std::move(left), "-", expr(mode, depth + 1), type);
      case 2: return binary(std::move(left), "*", operand(mode, depth + 1), type);
      default: return wrap("(", binary(std::move(left), "/", nonzero_divisor(mode, depth), type), ")");
    }
  }
  if (mode == 'f') {
    static const std::vector<std::string> ops = {"+", "-", "*", "+", "-", "<", ">", "=", "<>", "<=", ">="};
    if (rnd_.chance(15)) return wrap("(", binary(std::move(left), "/", nonzero_divisor(mode, depth), type), ")");
    const std::string &op = rnd_.pick(ops);
    return binary(std::move(left), op, expr(mode, depth + 1), type);
  }
  static const std::vector<std::string> ops = {"+", "-",  "*",  "+", "-",  "AND", "OR", "XOR", "<<", ">>",
                                               "=", "<>", "<", ">", "<=", ">=",  "&"};
  switch (rnd_.below(8)) {
    case 0: return wrap("(", binary(std::move(left), "/", nonzero_divisor(mode, depth), type), ")");
    case 1: return wrap("(", binary(std::move(left), "MOD", nonzero_divisor(mode, depth), type), ")");
    default: {
      const std::string &op = rnd_.pick(ops);
      return binary(std::move(left), op, expr(mode, depth + 1), type);
    }
  }
}

Node Generator::condition(int depth) {
  const char mode = rnd_.chance(75) ? 'i' : 'f';
  if (rnd_.chance(15) && !scope_.strings.empty()) {
    static const std::vector<std::string> cmps = {"=", "<>", "<", ">", "<=", ">="};
    static const std::vector<std::string> words = {"\"abc\"", "\"Hello\"", "\"\"", "\"m\"", "\"42\""};
    const std::string right = rnd_.chance(50) ? rnd_.pick(scope_.strings) : rnd_.pick(words);
    return leaf(rnd_.pick(scope_.strings) + " " + rnd_.pick(cmps) + " " + right, 'i', 0, "1");
  }
  static const std::vector<std::string> cmps = {"=", "<>", "<", ">", "<=", ">="};
  Node c = binary(expr(mode, depth + 1), rnd_.pick(cmps), expr(mode, depth + 1), 'i');
  if (rnd_.chance(25)) {
    Node d = binary(expr(mode, depth + 1), rnd_.pick(cmps), expr(mode, depth + 1), 'i');
    c = binary(std::move(c), rnd_.chance(50) ? "AND" : "OR", std::move(d), 'i');
  }
  if (mode == 'i' && rnd_.chance(10)) c = wrap("NOT ", std::move(c), "");
  if (mode == 'i' && rnd_.chance(10)) c = expr('i', depth + 1);
  c.simplest = "1";
  return typed(mode, std::move(c));
}

// A string expression of at most one variable-length piece and three short
// ones, so that it stays well inside the 255 characters of the string
// accumulator and of every string variable.
Node Generator::string_expr(int depth, bool allow_call) {
  const bool was_in_string = in_string_;
  in_string_ = true;
  Node n = string_terms(depth, allow_call);
  in_string_ = was_in_string;
  return n;
}

Node Generator::string_terms(int depth, bool allow_call) {
  static const std::vector<std::string> words = {"\"abc\"", "\"Hello\"", "\"\"", "\"x y\"", "\"-\"", "\"42\"",
                                                 "\"Z\"", "\"#!\""};
  Node n;
  n.kind = Kind::Expression;
  n.type = 's';
  n.simplest = "\"\"";
  n.text = {""};
  bool long_piece = false;
  const int terms = rnd_.range(1, 4);
  for (int k = 0; k < terms; k++) {
    if (k > 0) n.text.back() += rnd_.chance(85) ? " + " : " & ";
    Node term;
    std::vector<const Routine *> functions;
    for (const Routine *r : scope_.routines)
      if (r->result == 's' && takes_no_string_value(*r)) functions.push_back(r);
    const int choice = rnd_.below(8);
    if (k == 0 && allow_call && !functions.empty() && choice == 0) {
      term = call(*rnd_.pick(functions), depth);
      long_piece = true;
    } else if (!long_piece && choice <= 2) {
      long_piece = true;
      const std::string &source = rnd_.pick(scope_.strings);
      if (choice == 1 || choice == 2) {
        term = wrap(std::string(choice == 1 ? "LEFT(" : "RIGHT(") + source + ", ", expr('n', depth + 1), ")");
        term.type = 's';
        term.simplest = "";
      } else {
        term = leaf(source, 's', 0, "");
      }
    } else {
      // STR takes a whole numeric expression, which would run on into the
      // terms after it: it only ends a string expression.
      switch (rnd_.below(k == terms - 1 ? 5 : 4) + (k == terms - 1 ? 0 : 1)) {
        case 0:
          term = wrap("STR(", expr('n', depth + 1), ")");
          term.type = 's';
          term.simplest = "";
          break;
        case 1:
          term = wrap("HEX(", expr('i', depth + 1), ")");
          term.type = 's';
          term.simplest = "";
          break;
        case 2: term = leaf("CHR(" + number(rnd_.range(33, 126)) + ")", 's', 0, ""); break;
        default: term = leaf(rnd_.pick(words), 's', 0, ""); break;
      }
    }
    n.kids.push_back(std::move(term));
    n.text.push_back("");
  }
  return n;
}

std::string Generator::take_counter() {
  if (scope_.free_counters.empty()) return "";
  std::string c = scope_.free_counters.back();
  scope_.free_counters.pop_back();
  return c;
}

Node Generator::assignment(int depth) {
  const int choice = rnd_.below(10);
  if (choice <= 2 || scope_.single_targets.empty()) {
    const std::string &target = rnd_.pick(scope_.int_targets);
    switch (rnd_.below(6)) {
      case 0: {
        static const std::vector<std::string> ops = {"+=", "-=", "*=", "AND=", "OR=", "XOR="};
        return statement({target + " " + rnd_.pick(ops) + " ", "\n"}, {expr('i', depth)});
      }
      case 1: return statement({target + " /= ", "\n"}, {nonzero_divisor('i', depth)});
      default: return statement({target + " = ", "\n"}, {expr('i', depth)});
    }
  }
  if (choice <= 4) {
    const std::string &target = rnd_.pick(scope_.single_targets);
    static const std::vector<std::string> ops = {"=", "=", "=", "+=", "-=", "*="};
    return statement({target + " " + rnd_.pick(ops) + " ", "\n"}, {expr('f', depth)});
  }
  if (choice <= 6 && !scope_.int_arrays.empty()) {
    const bool single = !scope_.single_arrays.empty() && rnd_.chance(35);
    const std::string &array = rnd_.pick(single ? scope_.single_arrays : scope_.int_arrays);
    const std::string op = rnd_.chance(20) ? "+=" : "=";
    return statement({array + "(", ") " + op + " ", "\n"}, {index_guard(7, depth), expr(single ? 'f' : 'i', depth)});
  }
  if (!scope_.string_targets.empty() && choice <= 8)
    return statement({rnd_.pick(scope_.string_targets) + " = ", "\n"}, {string_expr(depth, true)});
  return statement({rnd_.pick(scope_.int_targets) + " = ", "\n"}, {expr('i', depth)});
}

Node Generator::print_statement(int depth) {
  Node n = statement({"PRINT "});
  const int items = rnd_.range(1, 4);
  for (int k = 0; k < items; k++) {
    if (k > 0) n.text.back() += "; \" \"; ";
    const int choice = rnd_.below(10);
    Node item;
    if (choice < 2)
      item = string_expr(depth, true);
    else
      item = typed(choice < 7 ? 'i' : 'f', expr(choice < 7 ? 'i' : 'f', depth));
    n.kids.push_back(std::move(item));
    n.text.push_back("");
  }
  n.text.back() += rnd_.chance(10) ? ";\n" : "\n";
  return n;
}

Node Generator::simple_statement(int depth) {
  const int choice = rnd_.below(10);
  if (choice < 6) return assignment(depth);
  if (choice < 8) return print_statement(depth);
  if (choice < 9 && !scope_.gosub_labels.empty() && !scope_.in_gosub && !scope_.in_routine) {
    const size_t k = rnd_.below(static_cast<int>(scope_.gosub_labels.size()));
    if (affordable(gosub_work_[k])) {
      work_ += weight_ * gosub_work_[k];
      return statement({"GOSUB " + scope_.gosub_labels[k] + "\n"});
    }
  }
  if (std::optional<Node> call_statement = sub_call(depth)) return std::move(*call_statement);
  return assignment(depth);
}

bool Generator::fits(const Node &n) {
  constexpr size_t kMaxLine = 200;  // the compiler takes lines of up to 255 characters
  const std::string text = render(n);
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    if (end - start > kMaxLine) return false;
  return text.size() - start <= kMaxLine;
}

std::optional<Node> Generator::sub_call(int depth) {
  std::vector<const Routine *> subs;
  for (const Routine *r : scope_.routines)
    if (r->result == 0 && affordable(r->work)) subs.push_back(r);
  if (subs.empty()) return std::nullopt;
  return statement({"", "\n"}, {call(*rnd_.pick(subs), depth)});
}

Node Generator::if_statement(int depth) {
  if (rnd_.chance(30)) {
    // One line: IF c THEN statement [ELSE statement].
    auto one = [&](Node s) {
      s.text.back().pop_back();  // its line end
      s.removable = false;
      return s;
    };
    Node n = statement({"IF ", " THEN ", "\n"}, {condition(depth), one(assignment(1))});
    if (scope_.in_loop && rnd_.chance(20)) {
      n = statement({"IF ", " THEN EXIT\n"}, {condition(depth)});
    } else if (rnd_.chance(40)) {
      n.text.back() = " ELSE ";
      n.kids.push_back(one(rnd_.chance(50) ? assignment(1) : print_statement(1)));
      n.text.push_back("\n");
    }
    return n;
  }
  Node n = statement({"IF ", " THEN\n"}, {condition(depth), nested(depth + 1, rnd_.range(1, 3))});
  const int elseifs = rnd_.chance(40) ? rnd_.range(1, 2) : 0;
  for (int k = 0; k < elseifs; k++) {
    n.text.push_back("ELSEIF ");
    n.kids.push_back(condition(depth));
    n.text.push_back(" THEN\n");
    n.kids.push_back(nested(depth + 1, rnd_.range(1, 3)));
  }
  if (rnd_.chance(50)) {
    n.text.push_back("ELSE\n");
    n.kids.push_back(nested(depth + 1, rnd_.range(1, 3)));
  }
  n.text.push_back(rnd_.chance(80) ? "ENDIF\n" : "END IF\n");
  return n;
}

Node Generator::loop_body(const std::string &counter, int trips, int depth) {
  const bool was_in_loop = scope_.in_loop;
  const double weight = weight_;
  scope_.in_loop = true;
  scope_.ints.push_back(counter);
  weight_ *= std::max(trips, 1);
  Node inner = nested(depth + 1, rnd_.range(1, 4));
  weight_ = weight;
  scope_.ints.pop_back();
  scope_.in_loop = was_in_loop;
  give_back(counter);
  return inner;
}

Node Generator::for_statement(int depth) {
  const std::string k = take_counter();
  if (k.empty()) return assignment(depth);
  std::string head;
  int from = 0, to = 0, step = 1;
  switch (rnd_.below(4)) {
    case 0:
      from = rnd_.range(-3, 3), to = rnd_.range(-2, 8);
      head = "FOR " + k + " = " + number(from) + " TO " + number(to);
      break;
    case 1:
      from = rnd_.range(0, 4), to = rnd_.range(5, 20), step = rnd_.range(2, 5);
      head = "FOR " + k + " = " + number(from) + " TO " + number(to) + " STEP " + number(step);
      break;
    case 2:
      from = rnd_.range(5, 12), to = rnd_.range(-3, 4), step = -rnd_.range(1, 4);
      head = "FOR " + k + " = " + number(from) + " TO " + number(to) + " STEP " + number(step);
      break;
    default:
      from = rnd_.range(3, 9), to = rnd_.range(-2, 3), step = -1;
      head = "FOR " + k + " = " + number(from) + " DOWNTO " + number(to);
      break;
  }
  Node inner = loop_body(k, (to - from) / step + 1, depth);
  return statement({head + "\n", rnd_.chance(80) ? "NEXT " + k + "\n" : "NEXT\n"}, {std::move(inner)});
}

Node Generator::while_statement(int depth) {
  const std::string w = take_counter();
  if (w.empty()) return assignment(depth);
  const int limit = rnd_.range(0, 6);
  Node inner = loop_body(w, limit, depth);
  return statement({w + " = 0\nWHILE " + w + " < " + number(limit) + "\n", w + " = " + w + " + 1\nLOOP\n"},
                   {std::move(inner)});
}

Node Generator::do_statement(int depth) {
  const std::string w = take_counter();
  if (w.empty()) return assignment(depth);
  const int limit = rnd_.range(1, 6);
  Node inner = loop_body(w, limit, depth);
  return statement({w + " = 0\nDO\n", w + " = " + w + " + 1\nUNTIL " + w + " >= " + number(limit) + "\n"},
                   {std::move(inner)});
}

Node Generator::select_statement(int depth) {
  Node n = statement({"SELECT CASE ", "\n"}, {expr('i', depth)});
  const int cases = rnd_.range(1, 4);
  int low = rnd_.range(-5, 2);
  for (int k = 0; k < cases; k++) {
    std::string label;
    switch (rnd_.below(4)) {
      case 0: label = number(low); low += 1; break;
      case 1: label = number(low) + ", " + number(low + 2); low += 3; break;
      case 2: label = number(low) + " TO " + number(low + 3); low += 4; break;
      default: label = std::string(rnd_.chance(50) ? "> " : "< ") + number(rnd_.range(-10, 10)); break;
    }
    n.text.back() += "CASE " + label + "\n";
    n.kids.push_back(nested(depth + 1, rnd_.range(1, 2)));
    n.text.push_back("");
  }
  if (rnd_.chance(50)) {
    n.text.back() += "CASE ELSE\n";
    n.kids.push_back(nested(depth + 1, rnd_.range(1, 2)));
    n.text.push_back("");
  }
  n.text.back() += rnd_.chance(50) ? "END SELECT\n" : "ENDSELECT\n";
  return n;
}

Node Generator::any_statement(int depth) {
  const double work = work_;
  work_ += weight_;
  for (int attempt = 0; attempt < 50; attempt++) {
    if (Node s = one_statement(depth); fits(s)) return s;
    work_ = work + weight_;  // what a statement not taken would have called
  }
  return statement({scope_.int_targets.front() + " = 1\n"});
}

Node Generator::one_statement(int depth) {
  if (depth >= kMaxBlockDepth) return simple_statement(depth);
  // A GOSUB may come from inside any loop of the main program: it runs no
  // loop of its own, which could take over a loop counter in use there.
  switch (rnd_.below(14)) {
    case 0:
    case 1: return if_statement(depth);
    case 2: return scope_.in_gosub ? simple_statement(depth) : for_statement(depth);
    case 3: return scope_.in_gosub ? simple_statement(depth) : while_statement(depth);
    case 4: return scope_.in_gosub ? simple_statement(depth) : do_statement(depth);
    case 5: return select_statement(depth);
    default: return simple_statement(depth);
  }
}

Node Generator::nested(int depth, int count) {
  std::vector<Node> statements;
  for (int k = 0; k < count; k++) statements.push_back(any_statement(depth));
  return difftest::block(std::move(statements));
}

Node Generator::routine_definition(Routine &r) {
  static const std::vector<Param> kinds = {Param::Int,         Param::ByValInt,    Param::ByValSingle,
                                           Param::ByRefInt,    Param::ByRefSingle, Param::ByValString,
                                           Param::ByRefString, Param::IntArray,    Param::Int};
  Scope saved = scope_;
  Scope local;
  local.in_routine = true;
  local.ints = saved.ints;
  local.singles = saved.singles;
  local.strings = saved.strings;
  local.int_arrays = saved.int_arrays;
  local.single_arrays = saved.single_arrays;
  local.routines = saved.routines;
  local.free_counters = {"c0", "c1"};
  std::string header = (r.result ? "FUNCTION " : "SUB ") + r.name + "(";
  const int count = rnd_.chance(10) ? 0 : rnd_.range(1, 4);
  for (int k = 0; k < count; k++) {
    const std::string name = "pa" + number(k);
    Param p = rnd_.pick(kinds);
    if (k == count - 1 && rnd_.chance(15)) p = Param::ParamArray;
    if (k > 0) header += ", ";
    switch (p) {
      case Param::Int: header += name; break;
      case Param::ByValInt: header += "BYVAL " + name + " AS INTEGER"; break;
      case Param::ByValSingle: header += "BYVAL " + name + " AS SINGLE"; break;
      case Param::ByRefInt: header += "BYREF " + name; break;
      case Param::ByRefSingle: header += "BYREF " + name + " AS SINGLE"; break;
      case Param::ByValString: header += "BYVAL " + name + "$(40)"; break;
      case Param::ByRefString: header += "BYREF " + name + "$"; break;
      case Param::IntArray: header += "BYREF " + name + "()"; break;
      case Param::ParamArray: header += "PARAMARRAY " + name; break;
    }
    switch (p) {
      case Param::Int:
      case Param::ByValInt:
      case Param::ByRefInt:
        local.ints.push_back(name);
        local.int_targets.push_back(name);
        break;
      case Param::ByValSingle:
      case Param::ByRefSingle:
        local.singles.push_back(name);
        local.single_targets.push_back(name);
        break;
      case Param::ByValString:
      case Param::ByRefString:
        local.strings.push_back(name + "$");
        local.string_targets.push_back(name + "$");
        break;
      case Param::IntArray: local.int_arrays.push_back(name); break;
      case Param::ParamArray: local.param_arrays.push_back(name); break;
    }
    r.params.push_back(p);
  }
  header += ")";
  if (r.result == 'f') header += " AS SINGLE";
  if (r.result == 's') header += " AS STRING";
  if (r.result == 'i' && rnd_.chance(30)) header += " AS INTEGER";
  header += "\n";
  // Locals: declared, then given a value before anything reads them.
  std::string locals = "DIM t0, t1, c0, c1\nDIM u0 AS SINGLE\nt0 = " + number(rnd_.range(-9, 9)) +
                       "\nt1 = " + number(rnd_.range(0, 99)) + "\nu0 = 1.5\n";
  local.ints.insert(local.ints.end(), {"t0", "t1"});
  local.int_targets.insert(local.int_targets.end(), {"t0", "t1"});
  local.singles.push_back("u0");
  local.single_targets.push_back("u0");
  if (local.string_targets.empty()) {
    locals += "DIM ls$(40)\nls$ = \"in\"\n";
    local.strings.push_back("ls$");
    local.string_targets.push_back("ls$");
  }
  scope_ = local;
  const double outer_weight = weight_, outer_work = work_;
  weight_ = 1, work_ = 0;
  Node inner = nested(1, rnd_.range(1, 4));
  Node result;
  std::string end = "ENDSUB\n";
  if (r.result) {
    end = "ENDFUNCTION\n";
    result = r.result == 's' ? string_expr(1, false) : expr(r.result, 1);
  }
  r.work = std::max(work_, 1.0);
  weight_ = outer_weight, work_ = outer_work;
  scope_ = saved;
  // A routine that is still called cannot go: the reducer's candidate
  // without it does not compile and is not taken.
  if (!r.result) return statement({header + locals, end}, {std::move(inner)});
  return statement({header + locals, "RETURN ", "\n" + end}, {std::move(inner), std::move(result)});
}

Node Generator::program() {
  const int n_ints = rnd_.range(3, 6), n_singles = rnd_.range(1, 3), n_strings = rnd_.range(1, 3);
  std::string head = "' random program, seed " + std::to_string(seed_) + "\nDIM ";
  for (int k = 0; k < n_ints; k++) {
    const std::string name = "n" + number(k);
    head += (k ? ", " : "") + name;
    scope_.ints.push_back(name);
    scope_.int_targets.push_back(name);
  }
  head += "\n";
  for (int k = 0; k < n_singles; k++) {
    const std::string name = "x" + number(k);
    head += "DIM " + name + " AS SINGLE\n";
    scope_.singles.push_back(name);
    scope_.single_targets.push_back(name);
  }
  head += "DIM q0(8), q1(8)\nDIM r0(8) AS SINGLE\n";
  scope_.int_arrays = {"q0", "q1"};
  scope_.single_arrays = {"r0"};
  for (int k = 0; k < n_strings; k++) {
    const std::string name = "s" + number(k) + "$";
    head += "DIM " + name + "(255)\n";
    scope_.strings.push_back(name);
    scope_.string_targets.push_back(name);
  }
  head += "DIM k0, k1, k2, k3, k4, k5\nGOTO start\n";
  scope_.free_counters = {"k5", "k4", "k3", "k2", "k1", "k0"};

  std::vector<Node> parts;
  parts.push_back(statement({head}));
  parts.back().removable = false;

  // FUNCTIONs and SUBs, each calling only those before it.
  const int n_routines = rnd_.range(0, 4);
  routines_.reserve(static_cast<size_t>(n_routines));
  for (int k = 0; k < n_routines; k++) {
    static const char results[] = {'i', 'i', 'f', 's', 0, 0};
    Routine r;
    r.result = results[rnd_.below(6)];
    r.name = std::string(r.result == 'i' ? "fn" : r.result == 'f' ? "ff" : r.result == 's' ? "fs" : "sb") +
             number(k);
    routines_.push_back(r);
    parts.push_back(routine_definition(routines_.back()));
    scope_.routines.push_back(&routines_.back());
  }
  // The GOSUB bodies come before the main program's statements, which need
  // to know what each one runs; they are written after END.
  const int n_gosubs = rnd_.range(0, 2);
  std::vector<Node> gosubs;
  for (int k = 0; k < n_gosubs; k++) {
    scope_.in_gosub = true;
    work_ = 0;
    Node inner = nested(1, rnd_.range(1, 3));
    scope_.in_gosub = false;
    const std::string label = "g" + number(k);
    gosubs.push_back(statement({label + ":\n", "RETURN\n"}, {std::move(inner)}));
    scope_.gosub_labels.push_back(label);
    gosub_work_.push_back(std::max(work_, 1.0));
  }
  work_ = 0;

  // Every variable gets a value before the statements read it.
  std::string init = "start:\n";
  for (const std::string &v : scope_.int_targets) init += v + " = " + number(rnd_.range(-50, 50)) + "\n";
  for (const std::string &v : scope_.single_targets) init += v + " = " + number(rnd_.range(-9, 9)) + ".5\n";
  for (const std::string &v : scope_.string_targets) init += v + " = \"s" + number(rnd_.range(0, 99)) + "\"\n";
  init += "FOR k0 = 0 TO 8\nq0(k0) = k0 * " + number(rnd_.range(0, 40)) + " - " + number(rnd_.range(0, 9)) +
          "\nq1(k0) = " + number(rnd_.range(0, 999)) + " - k0\nr0(k0) = k0 / 4.0\nNEXT k0\nk0 = 0\n";
  parts.push_back(statement({init}));
  parts.back().removable = false;

  const int n_statements = rnd_.range(4, 12);
  for (int k = 0; k < n_statements; k++) parts.push_back(any_statement(0));

  // The state at the end, so that a wrong value shows even if nothing
  // printed it.
  std::string dump = "PRINT";
  for (size_t k = 0; k < scope_.int_targets.size(); k++) dump += (k ? "; \" \"; " : " ") + scope_.int_targets[k];
  dump += "\nPRINT";
  for (size_t k = 0; k < scope_.single_targets.size(); k++)
    dump += (k ? "; \" \"; " : " ") + scope_.single_targets[k];
  dump += "\nPRINT";
  for (size_t k = 0; k < scope_.string_targets.size(); k++)
    dump += (k ? "; \"|\"; " : " ") + scope_.string_targets[k];
  dump += "\nPRINT q0(0) + q0(3) + q0(7) + q1(1) + q1(8); \" \"; r0(2) + r0(5)\n";
  parts.push_back(statement({dump}));

  Node end = statement({"END\n"});
  end.removable = false;
  parts.push_back(std::move(end));
  for (Node &gosub : gosubs) parts.push_back(std::move(gosub));
  return difftest::block(std::move(parts));
}

}  // namespace

Node generate_program(uint64_t seed) {
  Generator g(seed);
  return g.program();
}

}  // namespace difftest
