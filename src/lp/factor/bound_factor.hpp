// The basis inverse in doubles with proven bounds: images of an exact
// BasisFactor's L and U (taken right after it factors), then one eta column
// per basis change, made from the bounds of the entering column's image.
// Its solves mirror the exact sparse ones step for step, so each result
// entry is a Bound holding the exact entry; an entry no nonzero reaches is an
// exact zero, and the nonzero lists leave those out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lp/factor/basis_factor.hpp"
#include "lp/factor/bound.hpp"

namespace mivex::lp {

class BoundFactor {
 public:
  // Images of `lu`, just factored (the etas start empty). `lu` must stay
  // unchanged until the next take(), but for its own etas.
  void take(const BasisFactor& lu);
  // The column at `position` replaced by the one whose image `alpha` holds
  // (nonzero at the positions `nz` lists); alpha[position] must be nonzero.
  void update(std::size_t position, const std::vector<Bound>& alpha, const std::vector<std::uint32_t>& nz);
  // v (by row, zero outside `nz`) becomes B^-1 v (by position), `nz` its
  // nonzero positions, ascending.
  void ftran(std::vector<Bound>& v, std::vector<std::uint32_t>& nz) const;
  // out (all zero, by row) becomes row `position` of B^-1, `nz` its nonzero
  // rows, ascending.
  void inverse_row(std::size_t position, std::vector<Bound>& out, std::vector<std::uint32_t>& nz) const;
  // w (by position, zero outside `nz`) becomes B^-T w (by row), `nz` its
  // nonzero rows, ascending.
  void btran(std::vector<Bound>& w, std::vector<std::uint32_t>& nz) const;

  std::size_t updates() const { return etas_.size(); }
  // A refresh takes an exact factorization, which costs far more a word
  // than a solve through the etas in doubles.
  bool etas_outgrow_factors() const { return eta_value_.size() > 8 * (l_.size() + u_.size() + m_); }

 private:
  struct Eta {
    std::uint32_t position;
    Bound pivot;
    std::size_t begin, end;  // in eta_index_, eta_value_
  };
  void divide_by_pivot(Bound& t, std::uint32_t step) const;
  // B^-T of the workspace, nonzero at `positions` (and nowhere else), into out.
  void solve_transposed(const std::uint32_t* positions, std::size_t count, std::vector<Bound>& out,
                        std::vector<std::uint32_t>& nz) const;

  const BasisFactor* lu_ = nullptr;
  std::size_t m_ = 0;
  std::vector<Bound> pivot_;  // by step
  std::vector<Bound> l_, u_;  // beside lu's l_ and u_
  std::vector<Eta> etas_;
  std::vector<std::uint32_t> eta_index_;
  std::vector<Bound> eta_value_;
  mutable std::vector<Bound> work_;           // zero between solves
  mutable std::vector<std::uint64_t> bits_;   // clear between solves
};

}  // namespace mivex::lp
