// ftran and btran for vectors with few nonzeros. The dense solves walk every
// step; these mark the steps a nonzero has reached and take only those, in
// the dense order (L by ascending step, U by descending step in ftran, the
// reverse in btran), so every entry receives the same terms and, the
// arithmetic being exact, the same value.

#include "lp/factor/basis_factor.hpp"
#include "lp/factor/step_set.hpp"

namespace mivex::lp {

using steps::StepSet;
using steps::set_bit;
using steps::take_bits;

void BasisFactor::ftran_sparse(std::vector<Rational>& vec, std::vector<std::uint32_t>& nz) const {
  res_.stale();
  if (res_.on() && res_.ftran(*this, vec, nz)) return;
  Rational* v = vec.data();
  const std::size_t words = (m_ + 63) / 64;
  StepSet lower{step_bits_.data(), words}, upper{step_bits_.data() + words, words};
  // L: rows in the order of their steps; a multiplier reaches a later step.
  for (std::uint32_t r : nz) lower.add(index_.step_of_row[r]);
  lower.take_ascending([&](std::uint32_t k) {
    upper.add(k);
    const Step& s = steps_[k];
    const Rational& vp = v[s.row];
    if (vp.is_zero()) return;
    for (std::size_t t = s.l_begin; t < s.l_end; ++t) {
      v[l_[t].index].sub_mul(l_[t].value, vp);
      lower.add(index_.step_of_row[l_[t].index]);
    }
  });
  // U, backwards: a step's value reaches the rows of earlier steps.
  Rational* x = sparse_work_.data();
  std::uint64_t* listed = step_bits_.data() + 2 * words;  // positions that may be nonzero
  upper.take_descending([&](std::uint32_t k) {
    const Step& s = steps_[k];
    Rational& t = v[s.row];
    if (t.is_zero()) return;
    divide_by_pivot(t, s);
    for (std::uint32_t q = index_.u_col_start[s.col]; q < index_.u_col_start[s.col + 1]; ++q) {
      v[index_.u_by_col[q].row].sub_mul(u_[index_.u_by_col[q].index].value, t);
      upper.add(index_.step_of_row[index_.u_by_col[q].row]);
    }
    x[s.col] = std::move(t);  // x[s.col] was zero: v[s.row] is left zero
    set_bit(listed, s.col);
  });
  // v is all zero again: it becomes the workspace, x the result.
  vec.swap(sparse_work_);
  x = vec.data();
  for (const Eta& eta : etas_) {
    Rational& xr = x[eta.position];
    if (xr.is_zero()) continue;
    xr.div_by(eta.pivot);
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const std::uint32_t i = eta_index_[q];
      x[i].sub_mul(eta_value_[q], xr);
      set_bit(listed, i);
    }
  }
  take_bits(listed, words, nz);
  std::size_t kept = 0;
  for (std::uint32_t p : nz) {
    if (!x[p].is_zero()) nz[kept++] = p;
  }
  nz.resize(kept);
  res_.note_result(m_, vec, nz);
}

void BasisFactor::inverse_row(std::size_t position, std::vector<Rational>& out, std::vector<std::uint32_t>& nz) const {
  if (res_.on() && res_.inverse_row(*this, position, out, nz)) return;
  // Etas, last first: each sets the value at its own position from the
  // values at its column's other positions.
  Rational* w = sparse_work_.data();
  w[position] = Rational(1);
  const std::size_t words = (m_ + 63) / 64;
  StepSet upper{step_bits_.data(), words}, lower{step_bits_.data() + words, words};
  etas_transposed(w);
  // Only the etas' positions changed: those left nonzero start U.
  upper.add(index_.step_of_position[position]);
  for (const Eta& eta : etas_) {
    if (!w[eta.position].is_zero()) upper.add(index_.step_of_position[eta.position]);
  }
  Rational* z = out.data();
  // U transposed: positions in the order of their steps; a step's row of U
  // reaches the positions of later steps.
  upper.take_ascending([&](std::uint32_t k) {
    const Step& s = steps_[k];
    Rational& t = w[s.col];
    if (t.is_zero()) return;
    divide_by_pivot(t, s);
    for (std::size_t q = s.u_begin; q < s.u_end; ++q) {
      w[u_[q].index].sub_mul(u_[q].value, t);
      upper.add(index_.step_of_position[u_[q].index]);
    }
    z[s.row] = std::move(t);  // z[s.row] was zero: w is left zero there
    lower.add(k);
  });
  // L transposed, last step first: a row's final value reaches the rows of
  // the earlier steps whose multipliers lie in it.
  std::uint64_t* listed = step_bits_.data() + 2 * words;  // rows that are nonzero
  lower.take_descending([&](std::uint32_t k) {
    const std::uint32_t r = steps_[k].row;
    const Rational& zr = z[r];
    if (zr.is_zero()) return;
    set_bit(listed, r);
    for (std::uint32_t q = index_.l_row_start[r]; q < index_.l_row_start[r + 1]; ++q) {
      const LuIndex::LRowEntry& e = index_.l_by_row[q];
      z[steps_[e.step].row].sub_mul(l_[e.index].value, zr);
      lower.add(e.step);
    }
  });
  take_bits(listed, words, nz);
}

}  // namespace mivex::lp
