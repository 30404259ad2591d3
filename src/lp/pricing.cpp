// Choosing the entering column: Dantzig's rule (the most negative reduced
// cost, lowest index on ties) or Bland's (the lowest index with a negative
// one). Reduced costs are not kept exactly: pricing reads the intervals of
// PriceBounds and computes exactly only the d_j they leave in contention.
#include <cmath>

#include "lp/revised_simplex.hpp"

namespace mivex::lp {

Rational RevisedSimplex::reduced_cost(std::size_t col) const {
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
  lows.clear();
  double top = 0.0;
  for (std::size_t j = 0; j < cols_; ++j) {
    if (position_[j] >= 0 || (skip_artificial && form_->is_artificial(j))) continue;
    double low, high;
    if (!bounds_.bounds(j, low, high)) {
      lows.emplace_back(static_cast<std::uint32_t>(j), -HUGE_VAL);
      continue;
    }
    if (low > top) continue;
    if (high < top) top = high;
    lows.emplace_back(static_cast<std::uint32_t>(j), low);
  }
  std::optional<std::size_t> best;
  Rational d;
  for (const auto& [j, low] : lows) {
    if (low > top) continue;
    d = reduced_cost(j);
    // Columns come in increasing order: a tie keeps the lower index.
    if (d.is_negative() && (!best || d < entering_cost_)) {
      best = j;
      entering_cost_ = d;
    }
  }
  return best;
}

std::optional<std::size_t> RevisedSimplex::find_entering_bland(bool skip_artificial) {
  for (std::size_t j = 0; j < cols_; ++j) {
    if (position_[j] >= 0 || (skip_artificial && form_->is_artificial(j))) continue;
    double low, high;
    if (bounds_.bounds(j, low, high) && low >= 0.0) continue;
    Rational d = reduced_cost(j);
    if (d.is_negative()) {
      entering_cost_ = std::move(d);
      return j;
    }
  }
  return std::nullopt;
}

}  // namespace mivex::lp
