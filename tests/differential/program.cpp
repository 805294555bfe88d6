#include "program.h"

#include <iterator>
#include <utility>

namespace difftest {

namespace {

void render_into(const Node &node, std::string &out) {
  for (size_t k = 0; k < node.kids.size(); k++) {
    out += node.text[k];
    render_into(node.kids[k], out);
  }
  out += node.text.back();
}

void collect(const Node &node, Kind kind, Path &path, std::vector<Path> &out) {
  if (node.kind == kind && !path.empty()) out.push_back(path);
  for (size_t k = 0; k < node.kids.size(); k++) {
    path.push_back(k);
    collect(node.kids[k], kind, path, out);
    path.pop_back();
  }
}

}  // namespace

std::string render(const Node &node) {
  std::string out;
  render_into(node, out);
  return out;
}

char first_decided_type(const Node &node) {
  if (node.kids.empty()) return node.decides;
  if (node.decides) return node.decides;  // a call: its result type decides
  for (const Node &kid : node.kids)
    if (char t = first_decided_type(kid)) return t;
  return 0;
}

std::vector<Path> paths_of(const Node &root, Kind kind) {
  std::vector<Path> out;
  Path path;
  collect(root, kind, path, out);
  return out;
}

Node &at(Node &root, const Path &path) {
  Node *n = &root;
  for (size_t k : path) n = &n->kids[k];
  return *n;
}

void remove_at(Node &root, const Path &path) {
  Path parent_path(path.begin(), path.end() - 1);
  Node &parent = at(root, parent_path);
  const size_t k = path.back();
  parent.text[k] += parent.text[k + 1];
  parent.text.erase(parent.text.begin() + static_cast<long>(k) + 1);
  parent.kids.erase(parent.kids.begin() + static_cast<long>(k));
}

void hoist_at(Node &root, const Path &path) {
  std::vector<Node> inner;
  for (Node &kid : at(root, path).kids)
    if (kid.kind == Kind::Statement) inner.push_back(std::move(kid));
  if (inner.empty()) {
    remove_at(root, path);
    return;
  }
  Path parent_path(path.begin(), path.end() - 1);
  Node &parent = at(root, parent_path);
  const long k = static_cast<long>(path.back());
  // The text on both sides stays where it is; the hoisted statements are
  // separated by empty text.
  parent.kids.erase(parent.kids.begin() + k);
  parent.kids.insert(parent.kids.begin() + k, std::make_move_iterator(inner.begin()),
                     std::make_move_iterator(inner.end()));
  parent.text.insert(parent.text.begin() + k + 1, inner.size() - 1, "");
}

Node leaf(const std::string &text, char type, char decides, const std::string &simplest) {
  Node n;
  n.kind = Kind::Expression;
  n.text = {text};
  n.type = type;
  n.decides = decides;
  n.simplest = simplest;
  return n;
}

Node statement(std::vector<std::string> text, std::vector<Node> kids) {
  Node n;
  n.kind = Kind::Statement;
  n.text = std::move(text);
  n.kids = std::move(kids);
  return n;
}

Node block(std::vector<Node> statements) {
  Node n;
  n.kind = Kind::Statement;
  n.removable = false;
  n.text.assign(statements.size() + 1, "");
  n.kids = std::move(statements);
  return n;
}

}  // namespace difftest
