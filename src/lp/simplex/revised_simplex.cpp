#include "lp/simplex/revised_simplex.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.hpp"
#include "linear/product_sum.hpp"
#include "lp/simplex/cycle_guard.hpp"

namespace mivex::lp {

RevisedSimplex::RevisedSimplex(std::shared_ptr<const StandardForm> form)
    : form_(std::move(form)), m_(form_->num_rows()), cols_(form_->num_cols()), bounds_(*form_) {
  basis_.resize(m_);
  position_.assign(cols_, -1);
  for (auto& words : open_) words.assign((cols_ + 63) / 64, 0);
  for (std::size_t j = 0; j < cols_; ++j) place(j, -1);
  for (std::size_t p = 0; p < m_; ++p) {
    basis_[p] = form_->start_basic(p);
    place(basis_[p], static_cast<std::int32_t>(p));
  }
  y_.assign(m_, Rational());
  alpha_.assign(m_, Rational());
  rho_.assign(m_, Rational());
  row_.assign(cols_, Rational());
  row_mark_.assign(cols_, 0);
  refactor();
  compute_values(x_);
}

void RevisedSimplex::set_basis(const std::vector<std::uint32_t>& basis) {
  for (std::uint32_t c : basis_) place(c, -1);
  basis_ = basis;
  for (std::size_t p = 0; p < m_; ++p) place(basis_[p], static_cast<std::int32_t>(p));
  refactor();
  compute_values(x_);
}

Rational RevisedSimplex::cost_of(std::size_t col) const {
  if (costs_ == Costs::SumOfArtificials) return form_->is_artificial(col) ? Rational(1) : Rational();
  return col < form_->num_structural() ? form_->cost()[col] : Rational();
}

void RevisedSimplex::reset_bounds() {
  pivots_since_reset_ = 0;
  for (std::size_t i = 0; i < m_; ++i) bounds_.set_multiplier(i, y_[i]);
  bounds_.reset();
}

void RevisedSimplex::set_costs(Costs costs) {
  costs_ = costs;
  for (std::size_t j = 0; j < cols_; ++j) bounds_.set_cost(j, cost_of(j));
  compute_multipliers(y_);
  reset_bounds();
}

void RevisedSimplex::refactor() {
  factor_.factor(*form_, basis_);
  start_lattice();
}

void RevisedSimplex::compute_values(std::vector<Rational>& x, const BasisFactor& lu) const {
  x = form_->rhs();
  lu.ftran(x);
}

void RevisedSimplex::compute_multipliers(std::vector<Rational>& y, const BasisFactor& lu) const {
  y.assign(m_, Rational());
  for (std::size_t p = 0; p < m_; ++p) y[p] = cost_of(basis_[p]);
  lu.btran(y);
}

Rational RevisedSimplex::objective() const {
  linear::ProductSum sum(linear::ProductSum::Words::Apart);
  for (std::size_t p = 0; p < m_; ++p) sum.add(cost_of(basis_[p]), x_[p]);
  return sum.value();
}

void RevisedSimplex::follow_objective(Bound& objective, std::size_t position, const Bound& cost, bool bounded) const {
  // The entering column rose by the step length, now its basic value, and
  // the objective moved by that times its d_j.
  const Bound step = bounded ? xb_[position] : Bound::of(x_[position]);
  sub_mul(objective, step, -cost);
}

bool RevisedSimplex::artificial_lifted() const {
  for (std::size_t p = 0; p < m_; ++p) {
    if (form_->is_artificial(basis_[p]) && !x_[p].is_zero()) return true;
  }
  return false;
}

bool RevisedSimplex::step_lifted_artificial(bool bounded) const {
  // Zeros are exact in both ways (tracked where values are bounds).
  for (std::uint32_t p : bounded ? alpha_b_nz_ : alpha_nz_) {
    if (form_->is_artificial(basis_[p]) && !(bounded ? xb_[p].zero() : x_[p].is_zero())) return true;
  }
  return false;
}

Rational RevisedSimplex::artificial_sum() const {
  Rational sum;
  for (std::size_t p = 0; p < m_; ++p) {
    if (form_->is_artificial(basis_[p])) sum = sum + x_[p];
  }
  return sum;
}

PhaseEnd RevisedSimplex::repeat(CycleGuard& guard, const RepeatedSteps& repeated) {
  guard.start(*repeated.start);
  PhaseEnd end;
  for (std::size_t k = 0; k < repeated.count; ++k) {
    const PivotLog::Step& s = repeated.steps[k];
    if (trace_ != nullptr) trace_->emplace_back(s.entering, s.leaving);
    ++end.pivots;
    if (!end.bland && guard.pivot(s.position, s.leaving, s.entering, s.moved)) end.bland = true;
  }
  return end;
}

void RevisedSimplex::repeat_steps(const PivotLog::Step* steps, std::size_t count) {
  if (trace_ == nullptr) return;
  for (std::size_t k = 0; k < count; ++k) trace_->emplace_back(steps[k].entering, steps[k].leaving);
}

PhaseEnd RevisedSimplex::repeat_phase(const RepeatedSteps& repeated) {
  CycleGuard guard;
  return repeat(guard, repeated);
}

PhaseEnd RevisedSimplex::run_phase(bool skip_artificial, Cancel& cancel, const RepeatedSteps* repeated) {
  CycleGuard guard;
  PhaseEnd end;
  if (repeated != nullptr) {
    end = repeat(guard, *repeated);
  } else {
    guard.start(basis_);
  }
  bool bounded = bounds_mode_ == Bounds::Always || (bounds_mode_ == Bounds::Auto && bounds_paid_);
  const bool may_switch = bounds_mode_ == Bounds::Auto;
  big_entries_ = entries_ = 0;
  if (bounded) start_bounds();
  // Under Bland's rule pricing reads no bounds: every column counts as close.
  bool close_all = false;
  // stop_below: the objective in doubles, within a proven radius, and the
  // floor once an artificial is lifted.
  bool watch = floor_ && costs_ == Costs::Objective;
  Bound z = watch ? Bound::of(objective()) : Bound{};
  double floor = -HUGE_VAL;
  bool lifted = false;
  auto lift = [&] {
    lifted = true;
    const std::optional<Rational> f = floor_();
    watch = f.has_value();
    if (watch) floor = Bound::of(*f).low();
  };
  if (watch && artificial_lifted()) lift();
  for (;;) {
    if (watch && lifted && z.high() < floor) {
      end.below_floor = true;
      break;
    }
    cancel.check();
    if (end.bland && !close_all && log_ != nullptr && costs_ == Costs::SumOfArtificials) {
      close_all = true;
      const auto t = static_cast<std::uint32_t>(log_->steps.size());
      for (auto& c : log_->close) c = std::min(c, t);
    }
    auto entering = end.bland ? find_entering_bland(skip_artificial) : find_entering(skip_artificial);
    if (!entering) {
      end.optimal = true;
      break;
    }
    bool moves = false;
    std::size_t left = 0;
    // Its d_j before the step: the step moves the multipliers.
    const Bound cost = watch ? entering_bound(*entering) : Bound{};
    auto leaving = bounded ? step_bounds(*entering, end.bland, moves, left)
                           : step_exact(*entering, end.bland, moves, left);
    if (!leaving) {
      end.entering = *entering;
      break;
    }
    ++end.pivots;
    if (watch && moves) {
      follow_objective(z, *leaving, cost, bounded);
      if (!lifted && step_lifted_artificial(bounded)) lift();
    }
    if (may_switch && !bounded && bounds_pay()) {
      bounded = true;
      start_bounds();
    }
    if (end.bland) continue;
    if (guard.pivot(*leaving, left, *entering, moves)) end.bland = true;
  }
  if (bounded) {
    // A phase stopped below the floor is abandoned: nothing reads its end.
    if (end.below_floor) {
      bounded_ = false;
    } else {
      finish_bounds(end);
    }
  }
  return end;
}

std::optional<std::size_t> RevisedSimplex::step_exact(std::size_t col, bool bland, bool& moves, std::size_t& left) {
  load_column(col);
  auto leaving = find_leaving(bland);
  if (!leaving) return std::nullopt;
  // The objective moves exactly when the step length (the ratio) is nonzero.
  moves = !x_[*leaving].is_zero();
  left = basis_[*leaving];
  pivot(*leaving, col, true);
  if (log_ != nullptr) {
    log_->steps.push_back({static_cast<std::uint32_t>(*leaving), static_cast<std::uint32_t>(col),
                           static_cast<std::uint32_t>(left), moves});
  }
  return leaving;
}

std::size_t RevisedSimplex::drive_out_artificials(Cancel& cancel) {
  std::size_t pivots = 0;
  for (std::size_t p = 0; p < m_; ++p) {
    if (!form_->is_artificial(basis_[p])) continue;
    compute_pivot_row(p);
    std::size_t best = cols_;
    for (std::uint32_t j : row_nz_) {
      if (j < best && !form_->is_artificial(j) && !row_[j].is_zero()) best = j;
    }
    if (best == cols_) continue;  // a redundant row keeps its artificial
    cancel.check();
    load_column(best);
    const std::size_t left = basis_[p];
    pivot(p, best, false);
    if (log_ != nullptr) {
      log_->steps.push_back({static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(best),
                             static_cast<std::uint32_t>(left), false});
    }
    ++pivots;
  }
  return pivots;
}

}  // namespace mivex::lp
