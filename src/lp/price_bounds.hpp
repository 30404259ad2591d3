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
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "linear/rational.hpp"
#include "lp/standard_form.hpp"

namespace mivex::lp {

// The double image of a number for bounds: 0 for zero, NaN when tiny or infinite.
double bound_image(const linear::Rational& v);

class PriceBounds {
 public:
  explicit PriceBounds(const StandardForm& form);

  void set_costs(std::vector<double> cost_images) { cost_ = std::move(cost_images); }
  void set_multiplier(std::size_t row, double image) { y_[row] = image; }
  // Every estimate from scratch, from the current images.
  void reset();
  // y_row's image becomes `image`: the columns of that row follow.
  void move_multiplier(std::size_t row, double image);
  // An interval holding d_col; false when coarse images leave it unbounded.
  bool bounds(std::size_t col, double& low, double& high) const {
    const double d = estimate_[col];
    const double e = drift_[col] * (1.0 + 0x1p-50) + size_[col] * 0x1p-49 + std::fabs(d) * 0x1p-51;
    if (!(e <= kMax) || !(std::fabs(d) <= kMax)) return false;
    low = d - e;
    high = d + e;
    return true;
  }

 private:
  static constexpr double kMax = 1.7976931348623157e308;

  std::size_t m_;
  // The matrix images by columns and by rows (auxiliary columns included).
  std::vector<std::uint32_t> col_start_, col_row_;
  std::vector<double> col_value_;
  std::vector<std::uint32_t> row_start_, row_col_;
  std::vector<double> row_value_;
  std::vector<double> cost_;      // by column
  std::vector<double> y_;         // by row
  std::vector<double> estimate_;  // by column
  std::vector<double> drift_;     // roundoff the estimate may carry
  std::vector<double> size_;      // at least |c_j| + sum |a_ij y_i| over the images
};

}  // namespace mivex::lp
