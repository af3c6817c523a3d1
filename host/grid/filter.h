#pragma once
// Filter predicates (internal to the grid engine): a bound condition turned into steps that
// each narrow a selection of row positions. `and` hands each child only the positions still
// passing; `or` hands each child only the positions not yet passing. Leaves of the shapes the
// forms use run as tight loops over one column; anything else goes through the general
// evaluator row by row.

#include <memory>
#include <string>

#include "host/grid/compiler.h"

namespace sparestock::grid {

class Node;

class Predicate {
 public:
  virtual ~Predicate() = default;
  // Keeps the positions of sel[0..n) (ascending) whose rows pass; writes them in order to
  // `out`, which may be `sel` itself. ctx.rows maps a position to a row id.
  virtual size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const = 0;
  virtual std::string plan() const = 0;
};

// REQUIRES: root.type() == ValueType::Bool.
std::unique_ptr<Predicate> make_predicate(const Node& root, bool specialise);

}  // namespace sparestock::grid
