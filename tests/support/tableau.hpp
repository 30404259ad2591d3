// Dense simplex tableau over exact rationals. Row 0 is the objective row
// (the tableau always minimises: a positive row-0 entry marks a column whose
// increase lowers the objective); rows 1..num_rows are constraint rows; the
// last column holds the right-hand sides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "linear/rational.hpp"
#include "support/sparse_row.hpp"

namespace mivex::lp::reference {

using linear::Rational;

class Tableau {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // `vars` variable columns plus the right-hand side, `rows` constraint rows;
  // every cell zero, no basis.
  Tableau(std::size_t vars, std::size_t rows);

  std::size_t num_rows() const { return num_rows_; }
  std::size_t num_cols() const { return num_cols_; }
  std::size_t rhs_col() const { return num_cols_ - 1; }

  const Rational& at(std::size_t row, std::size_t col) const;
  int sign_at(std::size_t row, std::size_t col) const { return at(row, col).sign(); }
  void set(std::size_t row, std::size_t col, Rational value);
  // The column basic in `row`, or kNone.
  std::size_t basic(std::size_t row) const;
  void set_basic(std::size_t row, std::size_t col);
  const std::vector<std::size_t>& basis() const { return basis_; }

  // Cancel row 0's entry in the column basic in `row`.
  void price_out(std::size_t row);
  // Dantzig: the largest positive row-0 entry, lowest index on ties, among
  // columns not marked in `pass_over` (indexed by column; may be empty).
  std::optional<std::size_t> find_entering(const std::vector<bool>& pass_over) const;
  // Bland: the lowest-index column with a positive row-0 entry.
  std::optional<std::size_t> find_entering_bland(const std::vector<bool>& pass_over) const;
  // Ratio test: the row with the smallest rhs / a over rows with a > 0 in
  // column `col`, lowest row on ties; with the column basic there.
  std::optional<std::pair<std::size_t, std::size_t>> find_leaving(std::size_t col) const;
  // Ratio test with Bland's tie-break: among the smallest ratios, the row
  // whose basic column has the lowest index.
  std::optional<std::pair<std::size_t, std::size_t>> find_leaving_bland(std::size_t col) const;
  // Make `col` basic in `row`; stops with "pivot value is zero" on a zero cell.
  void pivot(std::size_t row, std::size_t col);

  // The right-hand side of the row where `col` is basic, else zero.
  Rational value_of(std::size_t col) const;
  const Rational& objective_value() const { return cells_[rhs_col()]; }

  // Pivots performed so far.
  std::size_t pivots() const { return pivots_; }

  std::vector<Rational> row(std::size_t r) const;
  // The nonzero cells of row `r`, in column order; and a row written from
  // such cells (every other cell zero).
  SparseRow sparse_row(std::size_t r) const;
  void set_sparse_row(std::size_t r, const SparseRow& entries);

 private:
  Rational& cell(std::size_t row, std::size_t col) { return cells_[row * num_cols_ + col]; }
  const Rational& cell(std::size_t row, std::size_t col) const { return cells_[row * num_cols_ + col]; }
  void check_row(std::size_t row) const;
  void check_col(std::size_t col) const;
  template <class Better>
  std::optional<std::pair<std::size_t, std::size_t>> ratio_test(std::size_t col, Better better) const;

  std::size_t num_rows_;
  std::size_t num_cols_;
  std::vector<Rational> cells_;       // row by row, (num_rows + 1) * num_cols
  std::vector<std::size_t> basis_;    // per row; entry 0 stays kNone
  std::vector<std::size_t> pivot_nz_; // scratch: nonzero columns of the pivot row
  std::size_t pivots_ = 0;
};

}  // namespace mivex::lp::reference
