// Choosing the entering column: Dantzig's rule (the most negative reduced
// cost, lowest index on ties) or Bland's (the lowest index with a negative
// one). Reduced costs are not kept exactly: pricing reads the intervals of
// PriceBounds and computes exactly only the d_j they leave in contention
// (and know only as intervals: an exact estimate is d_j itself).
#include <cmath>

#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

Rational RevisedSimplex::reduced_cost(std::size_t col) {
  ensure_multipliers();
  Rational d = cost_of(col);
  form_->for_any_column(col, [&](std::size_t row, const Rational& a) {
    if (!y_[row].is_zero()) d.sub_mul(y_[row], a);
  });
  return d;
}

std::optional<std::size_t> RevisedSimplex::find_entering(bool skip_artificial) {
  // The least d_j is at most the least upper bound (and, to enter, below
  // 0): only columns whose lower bound reaches that can hold it.
  auto& lows = lows_;
  const bool track = log_ != nullptr && costs_ == Costs::SumOfArtificials;
  if (track) {
    tracked_contenders(skip_artificial);
  } else {
    bounds_.contenders(open_[skip_artificial ? 1 : 0], lows);
  }
  entering_known_ = true;
  if (bounded_) {
    if (auto lone = lone_contender()) return lone;
    // Carried bounds widen pivot by pivot; fresh ones may decide.
    if (!fresh_ && !y_current_ && needs_exact_costs()) {
      refresh_bounds();
      bounds_.contenders(open_[skip_artificial ? 1 : 0], lows);
      if (auto lone = lone_contender()) return lone;
    }
  }
  // Columns come in increasing order: a tie keeps the lower index. A best
  // known exactly as an integer is compared as one; its rational is made
  // only when an interval-only column must be compared with it, and at the end.
  auto exact_cost = [](double v) { return Rational(static_cast<std::int64_t>(v)); };
  std::optional<std::size_t> best;
  bool best_exact = false;
  double best_value = 0.0;
  Rational d;
  for (const auto& [j, low] : lows) {
    if (bounds_.exact(j)) {
      const double v = bounds_.estimate(j);
      if (!(v < 0.0)) continue;
      if (best && !(best_exact ? v < best_value : exact_cost(v) < entering_cost_)) continue;
      best = j;
      best_exact = true;
      best_value = v;
      continue;
    }
    d = reduced_cost(j);
    if (!d.is_negative()) continue;
    if (best && best_exact) entering_cost_ = exact_cost(best_value);
    if (best && !(d < entering_cost_)) continue;
    best = j;
    best_exact = false;
    entering_cost_ = d;
  }
  if (best && best_exact) entering_cost_ = exact_cost(best_value);
  return best;
}

void RevisedSimplex::tracked_contenders(bool skip_artificial) {
  // As PriceBounds::contenders, while noting for the log the columns whose
  // d_j - 1 may reach the least d, which is at most `top` (first gathered
  // against the running top, then checked against the final one).
  auto& lows = lows_;
  lows.clear();
  double top = 0.0;
  const std::size_t n = form_->num_structural();
  auto near = [&](double low) {
    return !(low - top > 1.0 + 0x1p-40 * (1.0 + std::fabs(low) + std::fabs(top)));
  };
  auto& close = close_;
  close.clear();
  for_open(skip_artificial, [&](std::size_t j) {
    double low, high;
    if (!bounds_.bounds(j, low, high)) {
      if (j < n) close.emplace_back(static_cast<std::uint32_t>(j), -HUGE_VAL);
      lows.emplace_back(static_cast<std::uint32_t>(j), -HUGE_VAL);
      return false;
    }
    if (j < n && log_->close[j] == PivotLog::kNever && near(low)) {
      close.emplace_back(static_cast<std::uint32_t>(j), low);
    }
    if (low > top) return false;
    if (high < top) top = high;
    lows.emplace_back(static_cast<std::uint32_t>(j), low);
    return false;
  });
  const auto t = static_cast<std::uint32_t>(log_->steps.size());
  for (const auto& [j, low] : close) {
    if (near(low)) log_->close[j] = std::min(log_->close[j], t);
  }
  std::size_t kept = 0;
  for (const auto& entry : lows) {
    if (!(entry.second > top)) lows[kept++] = entry;
  }
  lows.resize(kept);
}

std::optional<std::size_t> RevisedSimplex::lone_contender() {
  // A lone contender whose whole interval lies below 0 is the least d_j.
  if (lows_.size() != 1 || bounds_.exact(lows_[0].first)) return std::nullopt;
  double low, high;
  if (!bounds_.bounds(lows_[0].first, low, high) || !(high < 0.0)) return std::nullopt;
  entering_known_ = false;
  return lows_[0].first;
}

bool RevisedSimplex::needs_exact_costs() const {
  // Some contender is known only by an interval, and one wide enough that
  // fresh bounds may narrow it (a tight one overlapping another is most
  // likely a tie, which only exact costs decide).
  for (const auto& entry : lows_) {
    double low, high;
    if (bounds_.exact(entry.first)) continue;
    if (!bounds_.bounds(entry.first, low, high) || high - low > (std::fabs(low) + std::fabs(high)) * 0x1p-40) return true;
  }
  return false;
}

Bound RevisedSimplex::entering_bound(std::size_t col) const {
  if (entering_known_) return Bound::of(entering_cost_);
  return bounds_.cost_bound(col);
}

std::optional<std::size_t> RevisedSimplex::find_entering_bland(bool skip_artificial) {
  std::optional<std::size_t> first;
  entering_known_ = true;
  for_open(skip_artificial, [&](std::size_t j) {
    double low, high;
    const bool bounded = bounds_.bounds(j, low, high);
    if (bounded && low >= 0.0) return false;
    if (bounded && bounded_ && high < 0.0) {
      entering_known_ = false;
      first = j;
      return true;
    }
    Rational d = reduced_cost(j);
    if (!d.is_negative()) return false;
    entering_cost_ = std::move(d);
    first = j;
    return true;
  });
  return first;
}

}  // namespace mivex::lp
