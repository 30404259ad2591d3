// The exact inverse of a simplex basis: a sparse LU factorization, taken
// with Markowitz pivot choices (any nonzero pivot is exact, so the order
// only serves sparsity), followed by one eta column per basis change since.
//
// Positions are the basis list's slots (the tableau's rows); the matrix's
// own rows are the constraint rows. Solves work on dense vectors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "linear/rational.hpp"
#include "lp/standard_form.hpp"

namespace mivex::lp {

class BasisFactor {
 public:
  // Column p of the basis: entries (constraint row, value).
  using Column = std::vector<Entry>;

  // Factor the m x m matrix given by its columns (one per position); false
  // when they are singular (a basis proposed from outside may be).
  bool try_factor(std::size_t m, const std::vector<Column>& columns);
  // Factor the basis of `form` that lists column basis[p] at position p.
  // Stops when it is singular, which a simplex basis never is.
  void factor(const StandardForm& form, const std::vector<std::uint32_t>& basis);
  // Replace the column at `position` by the one whose ftran image is
  // `alpha` (its nonzero positions listed in `nz`); alpha[position] != 0.
  void update(std::size_t position, const std::vector<Rational>& alpha, const std::vector<std::uint32_t>& nz);

  // v (by row) becomes x (by position) with B x = v.
  void ftran(std::vector<Rational>& v) const;
  // w (by position) becomes y (by row) with B^T y = w.
  void btran(std::vector<Rational>& w) const;

  std::size_t updates() const { return etas_.size(); }
  // Sizes in machine words (an entry counts one plus its extra words): what
  // a solve through the factors, or through the etas, roughly costs.
  std::size_t factor_entries() const { return factor_entries_; }
  std::size_t eta_entries() const { return eta_entries_; }

 private:
  struct Step {
    std::uint32_t row;    // pivot row
    std::uint32_t col;    // pivot position
    Rational pivot;
    int unit;  // +1 or -1 when the pivot is that, else 0 (a division is needed)
    std::size_t l_begin, l_end;  // multipliers of the rows below, in l_
    std::size_t u_begin, u_end;  // the rest of the pivot row, in u_
  };
  struct Eta {
    std::uint32_t position;
    Rational pivot;
    std::size_t begin, end;  // the other nonzeros of the column, in eta_entries_list_
  };

  struct Unit {
    std::uint32_t row;
    std::uint32_t position;
    int sign;
  };

  static void divide_by_pivot(Rational& t, const Step& s);
  // Start over with an empty m x m active matrix; then eliminate() it.
  void clear(std::size_t m);
  void add(std::uint32_t row, std::uint32_t position, const Rational& value);
  bool eliminate();  // false when the matrix is singular

  std::size_t m_ = 0;
  std::vector<Step> steps_;
  std::vector<std::uint32_t> l_steps_;  // the steps with multipliers, in order
  std::vector<Entry> l_;  // (row, multiplier)
  std::vector<Entry> u_;  // (position, value)
  // u_ by position: for each position, the steps' rows whose U entries lie
  // there and where in u_ (ftran walks U by columns, skipping zeros).
  std::vector<std::uint32_t> u_col_start_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> u_by_col_;  // (row, index in u_)
  std::vector<Eta> etas_;
  std::vector<Entry> eta_list_;  // (position, value)
  std::size_t factor_entries_ = 0;
  std::size_t eta_entries_ = 0;
  mutable std::vector<Rational> scratch_;
  // Workspace of factor(), kept to reuse its allocations.
  std::vector<std::vector<Entry>> rows_;
  std::vector<std::vector<std::uint32_t>> cols_;
  std::vector<std::vector<std::uint32_t>> bucket_;
  std::vector<char> col_done_, row_done_;
  std::vector<std::uint32_t> row_singles_;
  std::vector<std::int32_t> where_;
  std::vector<Entry> pivot_row_;
  std::vector<Unit> units_;  // columns +-1 in a single row, pivoted before the rest
};

}  // namespace mivex::lp
