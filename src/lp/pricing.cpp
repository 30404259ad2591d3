// Choosing the entering column: Dantzig's rule (the most negative reduced
// cost, lowest index on ties) or Bland's (the lowest index with a negative
// one). Reduced costs are not kept: each pricing bounds every d_j in doubles
// from y's image, and computes exactly only the d_j whose bounds leave the
// choice open.
#include <cmath>
#include <limits>

#include "lp/double_image.hpp"
#include "lp/revised_simplex.hpp"

namespace mivex::lp {

Rational RevisedSimplex::reduced_cost(std::size_t col) const {
  Rational d = cost_of(col);
  form_->for_any_column(col, [&](std::size_t row, const Rational& a) {
    if (!y_[row].is_zero()) d.sub_mul(y_[row], a);
  });
  return d;
}

[[gnu::always_inline]] inline bool RevisedSimplex::reduced_cost_bounds(std::size_t col, double& low, double& high) const {
  // The sum of k products of images differs from d_j by at most about
  // (k + 8) units of roundoff times the sum of the magnitudes (each image
  // is within three roundings of its number); the bound takes four times
  // that, plus room for products that underflow. NaN images make it fail.
  const std::uint32_t begin = image_start_[col], end = image_start_[col + 1];
  double sum = cost_image_[col];
  double magnitude = std::fabs(sum);
  if (end - begin == 1) {  // slack, surplus and artificial columns, and many others
    const double t = image_value_[begin] * y_image_[image_row_[begin]];
    sum -= t;
    magnitude += std::fabs(t);
  } else {
    for (std::uint32_t k = begin; k < end; ++k) {
      const double t = image_value_[k] * y_image_[image_row_[k]];
      sum -= t;
      magnitude += std::fabs(t);
    }
  }
  if (!(magnitude <= std::numeric_limits<double>::max())) return false;  // NaN or infinite
  const double terms = static_cast<double>(end - begin + 1);
  const double error = magnitude * (terms + 12.0) * 0x1p-51 + terms * 0x1p-1060;
  low = sum - error;
  high = sum + error;
  return true;
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
    if (!reduced_cost_bounds(j, low, high)) {
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
    if (reduced_cost_bounds(j, low, high) && low >= 0.0) continue;
    Rational d = reduced_cost(j);
    if (d.is_negative()) {
      entering_cost_ = std::move(d);
      return j;
    }
  }
  return std::nullopt;
}

}  // namespace mivex::lp
