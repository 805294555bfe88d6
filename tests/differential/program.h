// A generated BASIC program as a tree of statements and expressions, so
// that the reducer can drop statements and simplify expressions and render
// the program again.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace difftest {

enum class Kind { Statement, Expression };

// A node renders as text[0] kids[0] text[1] kids[1] ... text[n].
struct Node {
  Kind kind = Kind::Expression;
  std::vector<std::string> text{""};
  std::vector<Node> kids;

  // Expressions: the value type ('i' INTEGER, 'f' SINGLE, 's' STRING) and
  // the literal of that type the reducer may put in its place ("" when the
  // node must stay as it is, such as a variable passed BYREF).
  char type = 'i';
  std::string simplest;
  // A guard keeps an operation defined whatever its operand holds: the
  // divisor (x OR 1), the index (x AND 7). The reducer may simplify inside
  // it or replace it by its literal, never by its operand.
  bool guard = false;
  // For a leaf: the type its first token gives an expression whose type is
  // taken from its first typed operand ('i', 'f', or 0 when it gives none).
  char decides = 0;

  // Statements: whether the reducer may drop it.
  bool removable = true;
};

std::string render(const Node &node);

// The type the first deciding token of node gives (0: none).
char first_decided_type(const Node &node);

// A path from the root: the kid index at each level.
using Path = std::vector<size_t>;

// Every node of kind, in textual order.
std::vector<Path> paths_of(const Node &root, Kind kind);
Node &at(Node &root, const Path &path);

// Removes the node at path (not the root): its kid slot goes and the text
// on both sides of it is joined.
void remove_at(Node &root, const Path &path);
// Replaces the node at path by the statements among its kids.
void hoist_at(Node &root, const Path &path);

// Builders.
Node leaf(const std::string &text, char type, char decides, const std::string &simplest);
Node statement(std::vector<std::string> text, std::vector<Node> kids = {});
Node block(std::vector<Node> statements);

}  // namespace difftest
