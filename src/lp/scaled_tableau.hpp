// The simplex tableau of tableau.hpp with the same operations and the same
// choices, stored by rows: row i is a positive rational scale q_i times a
// primitive integer vector M_i (entries with no common factor). A row update
// then costs two integer products per entry and one content reduction per
// row, instead of several GCDs per entry; and the pricing and ratio tests
// compare integers, since a row's scale cancels out of them.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "linear/integer.hpp"
#include "linear/rational.hpp"

namespace mivex::lp {

using linear::Integer;
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
  std::vector<Rational> row(std::size_t r) const;
  void set_row(std::size_t r, const std::vector<Rational>& values);

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
  Integer& m(std::size_t row, std::size_t col) { return cells_[row * num_cols_ + col]; }
  const Integer& m(std::size_t row, std::size_t col) const { return cells_[row * num_cols_ + col]; }
  void check_row(std::size_t row) const;
  void check_col(std::size_t col) const;
  // Row i := row i - (u / v) * (q_i / q_r) * row r in value terms: M_i := v M_i - u M_r,
  // then reduced to a primitive vector with its scale adjusted. v > 0.
  void combine(std::size_t i, std::size_t r, const Integer& u, const Integer& v);
  template <class Better>
  std::optional<std::pair<std::size_t, std::size_t>> ratio_test(std::size_t col, Better better) const;

  std::size_t num_rows_;
  std::size_t num_cols_;
  std::vector<Integer> cells_;      // M, row by row
  std::vector<Rational> scale_;     // q per row, positive
  std::vector<std::size_t> basis_;  // per row; entry 0 stays kNone
  std::vector<std::size_t> nz_;     // scratch: nonzero columns of the pivot row
  std::size_t pivots_ = 0;
};

}  // namespace mivex::lp
