// The LPs of one branch and bound, kept warm: the root is lowered once, one
// exact form and one floating-point model serve every node, each node's
// bounds are added as rows for its solve and taken off again, and its run
// starts from its parent's final basis (a few dual pivots repair the new
// bound). Answers are certified as solve_exact_lp's are; a node no proposal
// certifies goes to solve_exact_lp on its own system.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "exact/lowering.hpp"
#include "exact/lp_exact.hpp"
#include "exact/model.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/float_propose.hpp"

namespace mivex::exact {

// A branching bound on a model column: x_column <= value or >= value.
struct BoundChange {
  std::size_t column;
  bool upper;
  Rational value;
};

class NodeLps {
 public:
  // `lowered` (of the model within its own bounds) and `cancel` must
  // outlive this object.
  NodeLps(const Lowered& lowered, Cancel& cancel);
  NodeLps(const NodeLps&) = delete;
  NodeLps& operator=(const NodeLps&) = delete;

  struct Outcome {
    LpAnswer answer;                            // by lowered variable and row
    std::shared_ptr<const lp::WarmBasis> basis;  // to start the children from
  };
  // The LP with `changes` added, from `start` (null: the root's start).
  Outcome solve(const std::vector<BoundChange>& changes, const lp::WarmBasis* start);

 private:
  std::vector<linear::LinearConstraint> rows_of(const std::vector<BoundChange>& changes) const;
  LpAnswer exactly(const std::vector<linear::LinearConstraint>& rows);

  const Lowered& lowered_;
  Cancel& cancel_;
  lp::ColumnForm form_;
  std::size_t root_rows_ = 0;
  std::unique_ptr<lp::FloatSimplex> engine_;
  bool primal_first_ = false;
};

}  // namespace mivex::exact
