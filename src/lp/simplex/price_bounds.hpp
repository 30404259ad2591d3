// Rigorous double-precision intervals around every reduced cost
// d_j = c_j - y^T a_j, kept current as y changes, so that pricing computes
// exact reduced costs only for the columns the intervals cannot rule out.
//
// Each column keeps an estimate from the images of c, A and y (images are
// within three roundings of their numbers, or NaN when too coarse to bound),
// a bound on the roundoff its updates have accumulated, and a bound on
// |c_j| + sum |a_ij y_i| that covers the error of the images themselves. A
// change of y_i updates only the columns of row i; a reset starts the
// estimates afresh (the engine resets at every refactorization).
//
// Where c_j, the column and the multipliers it meets are integers below 2^53
// and every step of its estimate stayed below 2^53, the estimate is d_j
// itself (each step was exact) and the interval is that one point: ties
// among such columns, everywhere in network-like programs, need no exact
// reduced costs.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "linear/rational.hpp"
#include "lp/factor/bound.hpp"
#include "lp/factor/standard_form.hpp"

namespace mivex::lp {

class PriceBounds {
 public:
  explicit PriceBounds(const StandardForm& form);

  void set_cost(std::size_t col, const linear::Rational& c) { cost_exact_[col] = take_image(c, cost_[col]); }
  void set_multiplier(std::size_t row, const linear::Rational& y) {
    y_exact_[row] = take_image(y, y_[row]);
    y_rad_[row] = 0.0;
  }
  // Every estimate from scratch, from the current images.
  void reset();
  // y_row becomes `y`: the columns of that row follow.
  void move_multiplier(std::size_t row, const linear::Rational& y);
  // y_row is a number `y` holds.
  void set_multiplier(std::size_t row, const Bound& y) {
    const bool exact = y.exact() && std::trunc(y.mid) == y.mid && exact_step(y.mid);
    y_exact_[row] = exact;
    y_[row] = y.known() ? y.mid : NAN;
    y_rad_[row] = exact ? 0.0 : y.rad;
  }
  // y_row moves by a number `delta` holds, with no exact y at hand: the
  // columns of that row follow, their intervals widened by delta's radius.
  void move_multiplier_by(std::size_t row, const Bound& delta);
  // d_col as a Bound.
  Bound cost_bound(std::size_t col) const {
    double low, high;
    interval(col, low, high);
    if (low == -HUGE_VAL && high == HUGE_VAL) return Bound::unknown();
    return {estimate_[col], high - estimate_[col] > estimate_[col] - low ? high - estimate_[col] : estimate_[col] - low};
  }
  // An interval holding d_col; false when coarse images leave it unbounded.
  bool bounds(std::size_t col, double& low, double& high) const {
    interval(col, low, high);
    return low != -HUGE_VAL || high != HUGE_VAL;
  }
  // The columns of `open` (a bit set over the columns) whose interval reaches
  // below the least upper bound among them (or below 0, when that is less):
  // only those can hold the least d_j, if it is negative, and past the
  // first whose upper bound is that least one, only those reaching strictly
  // below it can be the lowest index holding it. In increasing order, each
  // with its lower bound.
  void contenders(const std::vector<std::uint64_t>& open, std::vector<std::pair<std::uint32_t, double>>& out) const;
  // Whether d_col is known exactly: then it is the integer estimate(col).
  bool exact(std::size_t col) const { return exact_[col] != 0; }
  double estimate(std::size_t col) const { return estimate_[col]; }

 private:
  static constexpr double kMax = 1.7976931348623157e308;
  // Integers below this in magnitude are doubles, and so is the sum,
  // difference or product of two of them whenever the rounded result is
  // below it too.
  static constexpr double kExactLimit = 0x1p53;
  static bool exact_step(double v) { return std::fabs(v) < kExactLimit; }
  // image := v's image; whether it is v itself, an integer below kExactLimit.
  static bool take_image(const linear::Rational& v, double& image);

  std::size_t m_;
  // The matrix images by columns and by rows (auxiliary columns included).
  std::vector<std::uint32_t> col_start_, col_row_;
  std::vector<double> col_value_;
  std::vector<std::uint32_t> row_start_, row_col_;
  std::vector<double> row_value_;
  std::vector<double> cost_;      // by column
  std::vector<double> y_;         // by row
  std::vector<double> y_rad_;     // by row: how far y_ may be from y beyond its image error
  std::vector<double> estimate_;  // by column
  std::vector<double> drift_;     // roundoff the estimate may carry
  std::vector<double> size_;      // at least |c_j| + sum |a_ij y_i| over the images
  std::vector<char> entries_exact_;  // by column: every entry an exact image
  std::vector<char> cost_exact_;     // by column
  std::vector<char> y_exact_;        // by row
  std::vector<char> exact_;          // by column: the estimate is d_j (drift then unused)
  // The interval from the three above (-inf, inf when unbounded).
  void interval(std::size_t col, double& low, double& high) const {
    const double d = estimate_[col];
    if (exact_[col]) {
      low = high = d;
      return;
    }
    const double e = drift_[col] * (1.0 + 0x1p-50) + size_[col] * 0x1p-49 + std::fabs(d) * 0x1p-51;
    if (!(e <= kMax) || !(std::fabs(d) <= kMax)) {
      low = -HUGE_VAL;
      high = HUGE_VAL;
      return;
    }
    low = d - e;
    high = d + e;
  }
  // Per block of 64 columns (one word of the open set): the least upper
  // and lower bounds over its open columns, as of the open word they were
  // taken for, and the lower bounds themselves; a block with a column whose
  // estimate moved since is stale. A scan then reads one summary per block
  // and the columns of the blocks that reach.
  mutable std::vector<double> low_;
  mutable std::vector<double> block_high_, block_low_;
  mutable std::vector<std::uint64_t> block_open_;
  mutable std::vector<char> block_stale_;
  void summarize(std::size_t block, std::uint64_t open) const;
  void touch(std::size_t col) { block_stale_[col >> 6] = 1; }
  // The buffers a multiplier's move walks and writes.
  struct Columns {
    const std::uint32_t* row_col;
    const double* row_value;
    double *estimate, *size, *drift;
    char *exact, *stale;
  };
  Columns columns() {
    return {row_col_.data(), row_value_.data(), estimate_.data(), size_.data(), drift_.data(),
            exact_.data(), block_stale_.data()};
  }
};

}  // namespace mivex::lp
