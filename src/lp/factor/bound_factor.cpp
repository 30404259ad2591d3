#include "lp/factor/bound_factor.hpp"

#include "core/error.hpp"
#include "lp/factor/step_set.hpp"

namespace mivex::lp {

using steps::StepSet;
using steps::set_bit;
using steps::take_bits;

void BoundFactor::take(const BasisFactor& lu) {
  lu_ = &lu;
  m_ = lu.m_;
  pivot_.resize(lu.steps_.size());
  for (std::size_t k = 0; k < lu.steps_.size(); ++k) pivot_[k] = Bound::of(lu.steps_[k].pivot);
  l_.resize(lu.l_.size());
  for (std::size_t k = 0; k < lu.l_.size(); ++k) l_[k] = Bound::of(lu.l_[k].value);
  u_.resize(lu.u_.size());
  for (std::size_t k = 0; k < lu.u_.size(); ++k) u_[k] = Bound::of(lu.u_[k].value);
  etas_.clear();
  eta_index_.clear();
  eta_value_.clear();
  work_.assign(m_, Bound{});
  bits_.assign(3 * ((m_ + 63) / 64), 0);
}

void BoundFactor::update(std::size_t position, const std::vector<Bound>& alpha,
                         const std::vector<std::uint32_t>& nz) {
  if (alpha[position].zero()) stop("pivot value is zero");
  Eta eta{static_cast<std::uint32_t>(position), alpha[position], eta_index_.size(), 0};
  for (std::uint32_t i : nz) {
    if (i != position && !alpha[i].zero()) {
      eta_index_.push_back(i);
      eta_value_.push_back(alpha[i]);
    }
  }
  eta.end = eta_index_.size();
  etas_.push_back(eta);
}

void BoundFactor::divide_by_pivot(Bound& t, std::uint32_t step) const {
  const int unit = lu_->steps_[step].unit;
  if (unit < 0) {
    t = -t;
  } else if (unit == 0) {
    div_by(t, pivot_[step]);
  }
}

void BoundFactor::ftran(std::vector<Bound>& vec, std::vector<std::uint32_t>& nz) const {
  const BasisFactor& lu = *lu_;
  Bound* v = vec.data();
  const std::size_t words = (m_ + 63) / 64;
  StepSet lower{bits_.data(), words}, upper{bits_.data() + words, words};
  for (std::uint32_t r : nz) lower.add(lu.step_of_row_[r]);
  lower.take_ascending([&](std::uint32_t k) {
    upper.add(k);
    const auto& s = lu.steps_[k];
    const Bound vp = v[s.row];
    if (vp.zero()) return;
    for (std::size_t t = s.l_begin; t < s.l_end; ++t) {
      sub_mul(v[lu.l_[t].index], l_[t], vp);
      lower.add(lu.step_of_row_[lu.l_[t].index]);
    }
  });
  Bound* x = work_.data();
  std::uint64_t* listed = bits_.data() + 2 * words;
  upper.take_descending([&](std::uint32_t k) {
    const auto& s = lu.steps_[k];
    Bound t = v[s.row];
    v[s.row] = Bound{};
    if (t.zero()) return;
    divide_by_pivot(t, k);
    for (std::uint32_t q = lu.u_col_start_[s.col]; q < lu.u_col_start_[s.col + 1]; ++q) {
      const auto& e = lu.u_by_col_[q];
      sub_mul(v[e.row], u_[e.index], t);
      upper.add(lu.step_of_row_[e.row]);
    }
    x[s.col] = t;
    set_bit(listed, s.col);
  });
  vec.swap(work_);
  x = vec.data();
  for (const Eta& eta : etas_) {
    Bound& xr = x[eta.position];
    if (xr.zero()) continue;
    div_by(xr, eta.pivot);
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const std::uint32_t i = eta_index_[q];
      sub_mul(x[i], eta_value_[q], xr);
      set_bit(listed, i);
    }
  }
  take_bits(listed, words, nz);
  std::size_t kept = 0;
  for (std::uint32_t p : nz) {
    if (!x[p].zero()) nz[kept++] = p;
  }
  nz.resize(kept);
}

void BoundFactor::inverse_row(std::size_t position, std::vector<Bound>& out, std::vector<std::uint32_t>& nz) const {
  work_[position] = Bound{1.0, 0.0};
  const std::uint32_t at = static_cast<std::uint32_t>(position);
  solve_transposed(&at, 1, out, nz);
}

void BoundFactor::btran(std::vector<Bound>& w, std::vector<std::uint32_t>& nz) const {
  // The input moves into the workspace, which the solve leaves zero.
  std::vector<std::uint32_t> positions = nz;
  for (std::uint32_t p : positions) {
    work_[p] = w[p];
    w[p] = Bound{};
  }
  solve_transposed(positions.data(), positions.size(), w, nz);
}

void BoundFactor::solve_transposed(const std::uint32_t* positions, std::size_t count, std::vector<Bound>& out,
                                   std::vector<std::uint32_t>& nz) const {
  const BasisFactor& lu = *lu_;
  Bound* w = work_.data();
  const std::size_t words = (m_ + 63) / 64;
  StepSet upper{bits_.data(), words}, lower{bits_.data() + words, words};
  // Etas, last first: each sets its own position from its column's others.
  for (std::size_t k = etas_.size(); k-- > 0;) {
    const Eta& eta = etas_[k];
    Bound& t = w[eta.position];
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const Bound& wi = w[eta_index_[q]];
      if (!wi.zero()) sub_mul(t, eta_value_[q], wi);
    }
    if (!t.zero()) div_by(t, eta.pivot);
  }
  for (std::size_t k = 0; k < count; ++k) upper.add(lu.step_of_position_[positions[k]]);
  for (const Eta& eta : etas_) {
    if (!w[eta.position].zero()) upper.add(lu.step_of_position_[eta.position]);
  }
  Bound* z = out.data();
  upper.take_ascending([&](std::uint32_t k) {
    const auto& s = lu.steps_[k];
    Bound t = w[s.col];
    w[s.col] = Bound{};
    if (t.zero()) return;
    divide_by_pivot(t, k);
    for (std::size_t q = s.u_begin; q < s.u_end; ++q) {
      sub_mul(w[lu.u_[q].index], u_[q], t);
      upper.add(lu.step_of_position_[lu.u_[q].index]);
    }
    z[s.row] = t;
    lower.add(k);
  });
  std::uint64_t* listed = bits_.data() + 2 * words;
  lower.take_descending([&](std::uint32_t k) {
    const std::uint32_t r = lu.steps_[k].row;
    const Bound zr = z[r];
    if (zr.zero()) return;
    set_bit(listed, r);
    for (std::uint32_t q = lu.l_row_start_[r]; q < lu.l_row_start_[r + 1]; ++q) {
      const auto& e = lu.l_by_row_[q];
      sub_mul(z[lu.steps_[e.step].row], l_[e.index], zr);
      lower.add(e.step);
    }
  });
  take_bits(listed, words, nz);
}

}  // namespace mivex::lp
