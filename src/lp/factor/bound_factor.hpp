// The basis inverse in doubles with proven bounds: an L and U whose entries
// are Bounds, then one eta column per basis change, made from the bounds of
// the entering column's image. The L and U are either images of an exact
// BasisFactor's (taken right after it factors) or an elimination of their
// own in Bound arithmetic (bound_elimination.cpp), which costs a small part
// of an exact one. Its solves mirror the exact sparse ones step for step, so
// each result entry is a Bound holding the exact entry; an entry no nonzero
// reaches is an exact zero, and the nonzero lists leave those out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lp/factor/basis_factor.hpp"
#include "lp/factor/bound.hpp"
#include "lp/factor/lu_index.hpp"
#include "lp/factor/standard_form.hpp"

namespace mivex::lp {

class BoundFactor {
 public:
  // Images of `lu`, just factored (the etas start empty).
  void take(const BasisFactor& lu);
  // Factor the basis of `form` that lists column basis[p] at position p by
  // elimination in Bound arithmetic (the etas start empty). False, leaving
  // the factor unusable until the next take() or factor(), when no pivot
  // whose sign is proven can be found (the bounds grew too wide, or the
  // basis is singular): an exact factorization must be taken instead.
  bool factor(const StandardForm& form, const std::vector<std::uint32_t>& basis);
  // The column at `position` replaced by the one whose image `alpha` holds
  // (nonzero at the positions `nz` lists); alpha[position] must be nonzero.
  void update(std::size_t position, const std::vector<Bound>& alpha, const std::vector<std::uint32_t>& nz);
  // v (by row, zero outside `nz`) becomes B^-1 v (by position), `nz` its
  // nonzero positions, ascending.
  void ftran(std::vector<Bound>& v, std::vector<std::uint32_t>& nz) const;
  // As ftran, in plain doubles: estimates of the entries, bounds on none
  // (the radii stay zero; entries that cancel to zero are left out).
  void ftran_estimate(std::vector<Bound>& v, std::vector<std::uint32_t>& nz) const;
  // out (all zero, by row) becomes row `position` of B^-1, `nz` its nonzero
  // rows, ascending.
  void inverse_row(std::size_t position, std::vector<Bound>& out, std::vector<std::uint32_t>& nz) const;
  // w (by position, zero outside `nz`) becomes B^-T w (by row), `nz` its
  // nonzero rows, ascending.
  void btran(std::vector<Bound>& w, std::vector<std::uint32_t>& nz) const;

  std::size_t updates() const { return etas_.size(); }
  // Whether a solve through the etas costs more than a new factorization
  // and a solve through it.
  bool etas_outgrow_factors() const { return eta_value_.size() > 8 * (l_.size() + u_.size() + m_); }

 private:
  struct Eta {
    std::uint32_t position;
    Bound pivot;
    std::size_t begin, end;  // in eta_index_, eta_value_
  };
  template <class Ops>
  void divide_by_pivot(Bound& t, std::uint32_t step) const;
  template <class Ops>
  void ftran_with(std::vector<Bound>& v, std::vector<std::uint32_t>& nz) const;
  // B^-T of the workspace, nonzero at `positions` (and nowhere else), into out.
  void solve_transposed(const std::uint32_t* positions, std::size_t count, std::vector<Bound>& out,
                        std::vector<std::uint32_t>& nz) const;

  // The elimination's active submatrix: rows with their entries, each
  // position's rows, positions by their count of rows (lazily: a position
  // may also sit in buckets of counts it had), and the rows left with one
  // entry. Kept between factorizations to reuse the allocations.
  struct Cell {
    std::uint32_t position;
    Bound value;
  };
  struct Active {
    std::vector<std::vector<Cell>> rows;
    std::vector<std::vector<std::uint32_t>> cols;
    std::vector<std::vector<std::uint32_t>> bucket;
    std::vector<std::uint32_t> row_singles;
    std::vector<char> row_done, col_done;
    std::vector<char> failed;  // no entry passed, and the count has not changed since
    std::vector<std::int32_t> where;  // a row's entries by position, -1 elsewhere
  };
  // Start over with m positions and no steps.
  void clear(std::size_t m);
  // The elimination (bound_elimination.cpp): the basis columns loaded, with
  // their +-1 auxiliary columns pivoted first (false: two in one row); the
  // next pivot chosen (false: none whose sign is proven); its row moved to
  // U and its position eliminated from the other rows.
  bool load(const StandardForm& form, const std::vector<std::uint32_t>& basis);
  bool choose_pivot(std::uint32_t& row, std::uint32_t& position);
  bool markowitz(std::uint32_t& row, std::uint32_t& position);
  void take_pivot_row(std::uint32_t row, std::uint32_t position);
  void eliminate_below(std::uint32_t position);
  void eliminate_in_row(const StepShape& s, std::uint32_t r);
  void count_changed(std::uint32_t position);
  // Once L and U are complete: the solves' indexes and workspace.
  void build_index();

  std::size_t m_ = 0;
  std::vector<StepShape> steps_;
  std::vector<Bound> pivot_;  // by step
  std::vector<Bound> l_, u_;  // multipliers and the rest of the pivot rows
  std::vector<std::uint32_t> l_row_, u_position_;  // beside l_ and u_
  LuIndex index_;
  std::vector<Eta> etas_;
  std::vector<std::uint32_t> eta_index_;
  std::vector<Bound> eta_value_;
  Active active_;
  mutable std::vector<Bound> work_;           // zero between solves
  mutable std::vector<std::uint64_t> bits_;   // clear between solves
};

}  // namespace mivex::lp
