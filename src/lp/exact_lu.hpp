// Exact sparse LU factors of a square matrix given by its columns, for
// solving with a simplex basis: ftran solves B x = v, btran solves B^T y = w.
// Pivots follow the Markowitz count (fewest fill-ins first, then the
// smallest number), which keeps the factors of the sparse bases of LP
// models nearly as sparse as the bases themselves.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "core/cancel.hpp"
#include "linear/rational.hpp"

namespace mivex::lp {

// A sparse vector: (index, value) pairs with distinct indexes.
using SparseVector = std::vector<std::pair<std::size_t, linear::Rational>>;

class ExactLu {
 public:
  // Factor the m x m matrix whose column k is columns[k] ((row, value)
  // pairs). False when it is singular.
  bool factor(std::size_t m, const std::vector<SparseVector>& columns, Cancel& cancel);

  std::size_t size() const { return m_; }
  // x with B x = v (v by row, x by column position).
  std::vector<linear::Rational> ftran(std::vector<linear::Rational> v) const;
  // y with B^T y = w (w by column position, y by row).
  std::vector<linear::Rational> btran(std::vector<linear::Rational> w) const;

 private:
  struct Step {
    std::size_t row;               // pivot row
    std::size_t col;               // pivot column position
    linear::Rational pivot;
    SparseVector upper;               // the rest of the pivot row: (column position, value)
    SparseVector lower;               // multipliers: (row, l) with row -= l * pivot row
  };
  std::size_t m_ = 0;
  std::vector<Step> steps_;
};

}  // namespace mivex::lp
