#include "lp/factor/bound_factor.hpp"

#include "core/error.hpp"
#include "lp/factor/step_set.hpp"

namespace mivex::lp {

using steps::StepSet;
using steps::set_bit;
using steps::take_bits;

void BoundFactor::clear(std::size_t m) {
  m_ = m;
  steps_.clear();
  pivot_.clear();
  l_.clear();
  u_.clear();
  l_row_.clear();
  u_position_.clear();
  etas_.clear();
  eta_index_.clear();
  eta_value_.clear();
}

void BoundFactor::take(const BasisFactor& lu) {
  clear(lu.m_);
  for (const auto& s : lu.steps_) {
    steps_.push_back({s.row, s.col, s.unit, s.l_begin, s.l_end, s.u_begin, s.u_end});
    pivot_.push_back(Bound::of(s.pivot));
  }
  for (const Entry& e : lu.l_) {
    l_.push_back(Bound::of(e.value));
    l_row_.push_back(e.index);
  }
  for (const Entry& e : lu.u_) {
    u_.push_back(Bound::of(e.value));
    u_position_.push_back(e.index);
  }
  index_ = lu.index_;
  work_.assign(m_, Bound{});
  bits_.assign(3 * ((m_ + 63) / 64), 0);
}

void BoundFactor::build_index() {
  index_.build(m_, steps_, l_.size(), [&](std::size_t t) { return l_row_[t]; }, u_.size(),
               [&](std::size_t t) { return u_position_[t]; });
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

namespace {

// The arithmetic of BoundFactor's solves: proven bounds, or their mids alone.
struct Proven {
  static bool zero(const Bound& v) { return v.zero(); }
  static void sub_mul(Bound& v, const Bound& a, const Bound& b) { lp::sub_mul(v, a, b); }
  static void div_by(Bound& t, const Bound& p) { lp::div_by(t, p); }
};
struct Estimated {
  static bool zero(const Bound& v) { return v.mid == 0.0; }
  static void sub_mul(Bound& v, const Bound& a, const Bound& b) { v.mid -= a.mid * b.mid; }
  static void div_by(Bound& t, const Bound& p) { t.mid /= p.mid; }
};

}  // namespace

// t /= the step's pivot, without a division when the pivot is 1 or -1.
template <class Ops>
void BoundFactor::divide_by_pivot(Bound& t, std::uint32_t step) const {
  const int unit = steps_[step].unit;
  if (unit < 0) {
    t = -t;
  } else if (unit == 0) {
    Ops::div_by(t, pivot_[step]);
  }
}

template <class Ops>
void BoundFactor::ftran_with(std::vector<Bound>& vec, std::vector<std::uint32_t>& nz) const {
  Bound* v = vec.data();
  const std::size_t words = (m_ + 63) / 64;
  StepSet lower{bits_.data(), words}, upper{bits_.data() + words, words};
  for (std::uint32_t r : nz) lower.add(index_.step_of_row[r]);
  lower.take_ascending([&](std::uint32_t k) {
    upper.add(k);
    const auto& s = steps_[k];
    const Bound vp = v[s.row];
    if (Ops::zero(vp)) return;
    for (std::size_t t = s.l_begin; t < s.l_end; ++t) {
      Ops::sub_mul(v[l_row_[t]], l_[t], vp);
      lower.add(index_.step_of_row[l_row_[t]]);
    }
  });
  Bound* x = work_.data();
  std::uint64_t* listed = bits_.data() + 2 * words;
  upper.take_descending([&](std::uint32_t k) {
    const auto& s = steps_[k];
    Bound t = v[s.row];
    v[s.row] = Bound{};
    if (Ops::zero(t)) return;
    divide_by_pivot<Ops>(t, k);
    for (std::uint32_t q = index_.u_col_start[s.col]; q < index_.u_col_start[s.col + 1]; ++q) {
      const auto& e = index_.u_by_col[q];
      Ops::sub_mul(v[e.row], u_[e.index], t);
      upper.add(index_.step_of_row[e.row]);
    }
    x[s.col] = t;
    set_bit(listed, s.col);
  });
  vec.swap(work_);
  x = vec.data();
  for (const Eta& eta : etas_) {
    Bound& xr = x[eta.position];
    if (Ops::zero(xr)) continue;
    Ops::div_by(xr, eta.pivot);
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const std::uint32_t i = eta_index_[q];
      Ops::sub_mul(x[i], eta_value_[q], xr);
      set_bit(listed, i);
    }
  }
  take_bits(listed, words, nz);
  std::size_t kept = 0;
  for (std::uint32_t p : nz) {
    if (!Ops::zero(x[p])) nz[kept++] = p;
  }
  nz.resize(kept);
}

void BoundFactor::ftran(std::vector<Bound>& v, std::vector<std::uint32_t>& nz) const { ftran_with<Proven>(v, nz); }
void BoundFactor::ftran_estimate(std::vector<Bound>& v, std::vector<std::uint32_t>& nz) const {
  ftran_with<Estimated>(v, nz);
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
  for (std::size_t k = 0; k < count; ++k) upper.add(index_.step_of_position[positions[k]]);
  for (const Eta& eta : etas_) {
    if (!w[eta.position].zero()) upper.add(index_.step_of_position[eta.position]);
  }
  Bound* z = out.data();
  upper.take_ascending([&](std::uint32_t k) {
    const auto& s = steps_[k];
    Bound t = w[s.col];
    w[s.col] = Bound{};
    if (t.zero()) return;
    divide_by_pivot<Proven>(t, k);
    for (std::size_t q = s.u_begin; q < s.u_end; ++q) {
      sub_mul(w[u_position_[q]], u_[q], t);
      upper.add(index_.step_of_position[u_position_[q]]);
    }
    z[s.row] = t;
    lower.add(k);
  });
  std::uint64_t* listed = bits_.data() + 2 * words;
  lower.take_descending([&](std::uint32_t k) {
    const std::uint32_t r = steps_[k].row;
    const Bound zr = z[r];
    if (zr.zero()) return;
    set_bit(listed, r);
    for (std::uint32_t q = index_.l_row_start[r]; q < index_.l_row_start[r + 1]; ++q) {
      const auto& e = index_.l_by_row[q];
      sub_mul(z[steps_[e.step].row], l_[e.index], zr);
      lower.add(e.step);
    }
  });
  take_bits(listed, words, nz);
}

}  // namespace mivex::lp
