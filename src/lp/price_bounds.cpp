#include "lp/price_bounds.hpp"

#include <cmath>

#include "lp/double_image.hpp"

namespace mivex::lp {

double bound_image(const linear::Rational& v) {
  if (v.is_zero()) return 0.0;
  const double image = v.to_f64();
  return coarse(std::fabs(image)) ? NAN : image;
}

PriceBounds::PriceBounds(const StandardForm& form) : m_(form.num_rows()) {
  const std::size_t cols = form.num_cols();
  col_start_.assign(1, 0);
  row_start_.assign(m_ + 1, 0);
  for (std::size_t j = 0; j < cols; ++j) {
    form.for_any_column(j, [&](std::size_t row, const linear::Rational& v) {
      col_row_.push_back(static_cast<std::uint32_t>(row));
      col_value_.push_back(bound_image(v));
      ++row_start_[row + 1];
    });
    col_start_.push_back(static_cast<std::uint32_t>(col_row_.size()));
  }
  for (std::size_t i = 0; i < m_; ++i) row_start_[i + 1] += row_start_[i];
  row_col_.resize(col_row_.size());
  row_value_.resize(col_row_.size());
  std::vector<std::uint32_t> next(row_start_.begin(), row_start_.end() - 1);
  for (std::size_t j = 0; j < cols; ++j) {
    for (std::uint32_t k = col_start_[j]; k < col_start_[j + 1]; ++k) {
      const std::uint32_t at = next[col_row_[k]]++;
      row_col_[at] = static_cast<std::uint32_t>(j);
      row_value_[at] = col_value_[k];
    }
  }
  cost_.assign(cols, 0.0);
  y_.assign(m_, 0.0);
  estimate_.assign(cols, 0.0);
  drift_.assign(cols, 0.0);
  size_.assign(cols, 0.0);
}

void PriceBounds::reset() {
  // A sum of k terms is within about k roundings of its value in size.
  for (std::size_t j = 0; j < estimate_.size(); ++j) {
    double sum = cost_[j];
    double size = std::fabs(sum);
    const std::uint32_t begin = col_start_[j], end = col_start_[j + 1];
    for (std::uint32_t k = begin; k < end; ++k) {
      const double t = col_value_[k] * y_[col_row_[k]];
      sum -= t;
      size += std::fabs(t);
    }
    const double terms = static_cast<double>(end - begin + 1);
    estimate_[j] = sum;
    size_[j] = size * (1.0 + 0x1p-50) + terms * 0x1p-1060;
    drift_[j] = size * (terms + 4.0) * 0x1p-52 + terms * 0x1p-1060;
  }
}

void PriceBounds::move_multiplier(std::size_t row, double image) {
  // Each column of the row moves by -a * (new - old). The difference, the
  // product and the new estimate each round once, within 8 units of
  // roundoff of |step| + |estimate| together; the old term stays counted in
  // the size, which only over-covers. NaN images poison the estimates they
  // touch until the next reset.
  const double delta = image - y_[row];
  y_[row] = image;
  if (delta == 0.0) return;
  for (std::uint32_t k = row_start_[row]; k < row_start_[row + 1]; ++k) {
    const std::uint32_t j = row_col_[k];
    const double t = row_value_[k] * delta;
    const double v = estimate_[j] - t;
    estimate_[j] = v;
    drift_[j] = (drift_[j] + (std::fabs(t) + std::fabs(v)) * 0x1p-50 + 0x1p-1060) * (1.0 + 0x1p-50);
    size_[j] = (size_[j] + std::fabs(row_value_[k] * image)) * (1.0 + 0x1p-50) + 0x1p-1060;
  }
}

}  // namespace mivex::lp
