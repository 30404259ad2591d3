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
#include "lp/factor/lu_index.hpp"
#include "lp/factor/residue_solves.hpp"
#include "lp/factor/standard_form.hpp"

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
  // `column`, when given, is that column of the form last factored: the
  // residue solves go on only with it, and only when `alpha` is the latest
  // ftran_sparse result.
  static constexpr std::uint32_t kNoColumn = ~std::uint32_t{0};
  void update(std::size_t position, const std::vector<Rational>& alpha, const std::vector<std::uint32_t>& nz,
              std::uint32_t column = kNoColumn);

  // The solves through residues (residue_solves.hpp), for tests.
  using ResidueMode = lp::ResidueMode;
  void set_residue_mode(ResidueMode mode) { res_.set_mode(mode); }
  static void set_default_residue_mode(ResidueMode mode) { ResidueSolves::set_default_mode(mode); }
  static ResidueMode default_residue_mode() { return ResidueSolves::default_mode(); }
  static std::size_t residue_solves_everywhere() { return ResidueSolves::solves_everywhere(); }
  std::size_t residue_solves() const { return res_.solves(); }

  // v (by row) becomes x (by position) with B x = v.
  void ftran(std::vector<Rational>& v) const;
  // w (by position) becomes y (by row) with B^T y = w.
  void btran(std::vector<Rational>& w) const;

  // The same solves for vectors with few nonzeros (sparse_solves.cpp): they
  // visit only the steps a nonzero reaches, in the order of the dense ones,
  // so the numbers come out the same.
  // v (by row) is zero outside the rows listed in `nz`; it becomes x (by
  // position) as ftran makes it, and `nz` its nonzero positions, ascending.
  void ftran_sparse(std::vector<Rational>& v, std::vector<std::uint32_t>& nz) const;
  // w (all zero, by row) becomes row `position` of the basis inverse, and
  // `nz` its nonzero rows, ascending.
  void inverse_row(std::size_t position, std::vector<Rational>& w, std::vector<std::uint32_t>& nz) const;

  std::size_t updates() const { return etas_.size(); }
  // Sizes in machine words (an entry counts one plus its extra words): what
  // a solve through the factors, or through the etas, roughly costs.
  std::size_t factor_entries() const { return factor_entries_; }
  std::size_t eta_entries() const { return eta_entries_; }
  // Whether the sparse solves currently go through residues.
  bool residues_on() const { return res_.on(); }
  // |det B|, right after factor(), when it is an integer below `limit`
  // (for an integer basis matrix); else 0.
  std::int64_t determinant_below(std::int64_t limit) const;
  // Whether a solve through the etas now costs more than one through the
  // factors: by words for the rational solves, by entries while the
  // residue solves (a few multiplies an entry, whatever the words) answer.
  bool etas_outgrow_factors() const {
    if (res_.on()) return res_.eta_entries() > l_.size() + u_.size() + m_;
    return eta_entries_ > factor_entries_ + m_;
  }

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
    std::size_t begin, end;  // the other nonzeros of the column, in eta_index_ and eta_value_
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
  // eliminate()'s steps: the workspace set up; the unit columns pivoted
  // first (false: two in one row); the next pivot chosen (false: the rest
  // is singular); its row moved to U; its column eliminated from the other
  // active rows (each row's multiplier returned by eliminate_in_row); the
  // solves' indexes built.
  void start_elimination();
  bool pivot_units();
  bool choose_pivot(std::uint32_t& prow, std::uint32_t& pcol);
  Step take_pivot_row(std::uint32_t prow, std::uint32_t pcol);
  void eliminate_column(Step& s);
  Rational eliminate_in_row(const Step& s, std::uint32_t r);
  void build_index();

  std::size_t m_ = 0;
  std::vector<Step> steps_;
  std::vector<std::uint32_t> l_steps_;  // the steps with multipliers, in order
  std::vector<Entry> l_;  // (row, multiplier)
  std::vector<Entry> u_;  // (position, value)
  // Steps by row and by position, u_ by position (ftran walks U by
  // columns, skipping zeros) and l_ by row, for the solves.
  LuIndex index_;
  std::vector<Eta> etas_;
  // The etas' other nonzeros: positions apart from values, since btran
  // reads every position but only the values where its vector is nonzero.
  std::vector<std::uint32_t> eta_index_;
  std::vector<Rational> eta_value_;
  std::size_t factor_entries_ = 0;
  std::size_t eta_entries_ = 0;
  mutable std::vector<Rational> scratch_;

  // The sparse solves' workspace, all zero between calls: a vector by
  // position, and three sets as bits (two of steps, one of positions or rows).
  mutable std::vector<Rational> sparse_work_;
  mutable std::vector<std::uint64_t> step_bits_;
  // btran's first part: w (by position) through the etas, last first.
  void etas_transposed(Rational* w) const;
  // Workspace of factor(), kept to reuse its allocations.
  std::vector<std::vector<Entry>> rows_;
  std::vector<std::vector<std::uint32_t>> cols_;
  std::vector<std::vector<std::uint32_t>> bucket_;
  std::vector<char> col_done_, row_done_;
  std::vector<std::uint32_t> row_singles_;
  std::vector<std::int32_t> where_;
  std::vector<Entry> pivot_row_;
  std::vector<Unit> units_;  // columns +-1 in a single row, pivoted before the rest

  friend class ResidueSolves;  // reads the factors for their images
  friend class BoundFactor;
  mutable ResidueSolves res_;
};

}  // namespace mivex::lp
