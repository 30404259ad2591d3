// A linear system laid out for basis algebra: exact columns, one row bound
// per constraint, costs of the minimisation. Variables are x >= 0 and each
// row activity r_i = a_i x lies on its side of b_i (<=, >= or =).
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "linear/constraint.hpp"
#include "linear/system.hpp"

namespace mivex::lp {

// A sparse vector: (index, value) pairs with distinct indexes.
using SparseVector = std::vector<std::pair<std::size_t, linear::Rational>>;

struct ColumnForm {
  std::size_t n = 0;                 // structural columns (the variables)
  std::size_t m = 0;                 // rows (the constraints)
  std::vector<SparseVector> columns;    // column j: (row, coefficient), rows increasing
  std::vector<linear::CmpOp> ops;    // the side of each row
  std::vector<linear::Rational> rhs; // b_i
  std::vector<linear::Rational> cost;  // minimised: c, or -c for a maximisation
  bool has_objective = false;
  bool maximize = false;
};

// The form of `system` with the `extra` constraints (if any) after its own,
// or nothing when a term names a variable the system does not have (the
// exact path reports that itself).
std::optional<ColumnForm> column_form(const linear::LinearSystem& system,
                                      const std::vector<linear::LinearConstraint>* extra = nullptr);

// Branch and bound extends the root's form by each node's rows in place and
// takes them off again, instead of building a form per node. `rows` become
// the last rows of `form` (the same form column_form gives with them as
// `extra`); false, with `form` unchanged, when a term names an unknown
// variable.
bool append_rows(ColumnForm& form, const std::vector<linear::LinearConstraint>& rows);
// Keeps the first `m` rows.
void truncate_rows(ColumnForm& form, std::size_t m);

}  // namespace mivex::lp
