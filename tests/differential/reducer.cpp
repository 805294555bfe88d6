#include "reducer.h"

#include <utility>
#include <vector>

namespace difftest {

namespace {

class Reducer {
 public:
  Reducer(Node program, const std::function<bool(const Node &)> &keeps, int max_tests, ReduceStats &stats)
      : best_(std::move(program)), keeps_(keeps), max_tests_(max_tests), stats_(stats) {}

  Node run() {
    bool progress = true;
    while (progress && budget_left()) {
      progress = false;
      progress |= drop_statements();
      progress |= hoist_statements();
      progress |= simplify_expressions();
    }
    return std::move(best_);
  }

 private:
  bool budget_left() const { return stats_.tests < max_tests_; }

  // Tries a candidate; keeps it when the property holds.
  bool attempt(Node candidate) {
    if (!budget_left()) return false;
    stats_.tests++;
    if (!keeps_(candidate)) return false;
    best_ = std::move(candidate);
    stats_.accepted++;
    return true;
  }

  // Walks the nodes of kind in textual order, trying edit on each; after a
  // kept step the same position is tried again, as the tree has changed.
  template <typename Edit>
  bool each(Kind kind, Edit edit) {
    bool progress = false;
    for (size_t i = 0; budget_left();) {
      std::vector<Path> paths = paths_of(best_, kind);
      if (i >= paths.size()) break;
      if (edit(paths[i]))
        progress = true;
      else
        i++;
    }
    return progress;
  }

  bool drop_statements() {
    return each(Kind::Statement, [this](const Path &p) {
      if (!at(best_, p).removable) return false;
      Node candidate = best_;
      remove_at(candidate, p);
      return attempt(std::move(candidate));
    });
  }

  bool hoist_statements() {
    return each(Kind::Statement, [this](const Path &p) {
      const Node &n = at(best_, p);
      if (!n.removable) return false;
      bool has_body = false;
      for (const Node &kid : n.kids) has_body |= kid.kind == Kind::Statement;
      if (!has_body) return false;
      Node candidate = best_;
      hoist_at(candidate, p);
      return attempt(std::move(candidate));
    });
  }

  bool simplify_expressions() {
    return each(Kind::Expression, [this](const Path &p) {
      const Node &n = at(best_, p);
      if (!n.simplest.empty() && !(n.kids.empty() && n.text[0] == n.simplest)) {
        Node candidate = best_;
        const char decides = n.type == 's' ? 0 : n.type;
        at(candidate, p) = leaf(n.simplest, n.type, decides, n.simplest);
        if (attempt(std::move(candidate))) return true;
      }
      if (n.guard) return false;
      for (size_t k = 0; k < n.kids.size(); k++) {
        const Node &kid = at(best_, p).kids[k];
        if (kid.kind != Kind::Expression || kid.type != at(best_, p).type) continue;
        Node candidate = best_;
        Node replacement = kid;
        at(candidate, p) = std::move(replacement);
        if (attempt(std::move(candidate))) return true;
      }
      return false;
    });
  }

  Node best_;
  const std::function<bool(const Node &)> &keeps_;
  int max_tests_;
  ReduceStats &stats_;
};

}  // namespace

Node reduce(Node program, const std::function<bool(const Node &)> &keeps, int max_tests, ReduceStats &stats) {
  return Reducer(std::move(program), keeps, max_tests, stats).run();
}

}  // namespace difftest
