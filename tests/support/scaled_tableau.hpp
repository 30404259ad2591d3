// The simplex tableau of tableau.hpp with the same operations and the same
// choices, stored by rows: row i is a positive rational scale q_i times a
// primitive integer vector M_i (entries with no common factor). A row update
// then costs two integer products per entry and one content reduction per
// row, instead of several GCDs per entry; and the pricing and ratio tests
// compare integers, since a row's scale cancels out of them.
//
// Cells are stored densely (constant-time access for the ratio test), and
// each row also keeps the list of its nonzero columns, unordered: updates,
// content reductions and pricing walk only those. LP rows are sparse and
// many stay so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "support/integer.hpp"
#include "linear/rational.hpp"
#include "support/sparse_row.hpp"

namespace mivex::lp::reference {

using support::Integer;
using linear::Rational;

class ScaledTableau {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  ScaledTableau(std::size_t vars, std::size_t rows);

  std::size_t num_rows() const { return num_rows_; }
  std::size_t num_cols() const { return num_cols_; }
  std::size_t rhs_col() const { return num_cols_ - 1; }

  Rational at(std::size_t row, std::size_t col) const;
  int sign_at(std::size_t row, std::size_t col) const;
  std::size_t basic(std::size_t row) const;
  void set_basic(std::size_t row, std::size_t col);
  const std::vector<std::size_t>& basis() const { return basis_; }
  SparseRow sparse_row(std::size_t r) const;
  void set_sparse_row(std::size_t r, const SparseRow& entries);

  void price_out(std::size_t row);
  std::optional<std::size_t> find_entering(const std::vector<bool>& pass_over) const;
  std::optional<std::size_t> find_entering_bland(const std::vector<bool>& pass_over) const;
  std::optional<std::pair<std::size_t, std::size_t>> find_leaving(std::size_t col) const;
  std::optional<std::pair<std::size_t, std::size_t>> find_leaving_bland(std::size_t col) const;
  void pivot(std::size_t row, std::size_t col);

  Rational value_of(std::size_t col) const;
  Rational objective_value() const { return at(0, rhs_col()); }
  std::size_t pivots() const { return pivots_; }

 private:
  using Col = std::uint32_t;

  Integer& m(std::size_t row, std::size_t col) { return cells_[row * num_cols_ + col]; }
  const Integer& m(std::size_t row, std::size_t col) const { return cells_[row * num_cols_ + col]; }
  Col* nz(std::size_t row) { return &nz_[row * num_cols_]; }
  const Col* nz(std::size_t row) const { return &nz_[row * num_cols_]; }
  void check_row(std::size_t row) const;
  void check_col(std::size_t col) const;
  void clear_row(std::size_t row);
  // Divide row `row` by the content of its nonzero entries (dropping entries
  // that became zero from its list) and return that content (0 for a zero row).
  Integer make_primitive(std::size_t row);
  // Row i := row i - (u / v) * (q_i / q_r) * row r in value terms: M_i := v M_i - u M_r,
  // then reduced to a primitive vector with its scale adjusted. v > 0. The
  // columns of row r must be marked in `marked_`; the update is meant to
  // clear column `cleared` of row i.
  void combine(std::size_t i, std::size_t r, const Integer& u, const Integer& v, std::size_t cleared);
  void mark_row(std::size_t r, bool on);
  template <class Better>
  std::optional<std::pair<std::size_t, std::size_t>> ratio_test(std::size_t col, Better better) const;

  std::size_t num_rows_;
  std::size_t num_cols_;
  std::vector<Integer> cells_;      // M, row by row
  std::vector<Col> nz_;             // per row: its nonzero columns, num_cols_ slots
  std::vector<Col> nz_len_;         // per row: how many of those slots are used
  std::vector<Rational> scale_;     // q per row, positive
  std::vector<std::size_t> basis_;  // per row; entry 0 stays kNone
  std::vector<bool> marked_;        // scratch: the columns of the row being combined in
  std::size_t pivots_ = 0;
};

}  // namespace mivex::lp::reference
