#include "lp/simplex/price_bounds.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "lp/simplex/double_image.hpp"

namespace mivex::lp {

namespace {

// The double image of a number for bounds: 0 for zero, NaN when tiny or infinite.
double bound_image(const linear::Rational& v) {
  if (v.is_zero()) return 0.0;
  const double image = v.to_f64();
  return coarse(std::fabs(image)) ? NAN : image;
}

}  // namespace

bool PriceBounds::take_image(const linear::Rational& v, double& image) {
  if (v.is_small() && v.den() == 1 && v.num() > -(std::int64_t{1} << 53) && v.num() < (std::int64_t{1} << 53)) {
    image = static_cast<double>(v.num());
    return true;
  }
  image = bound_image(v);
  return false;
}

PriceBounds::PriceBounds(const StandardForm& form) : m_(form.num_rows()) {
  const std::size_t cols = form.num_cols();
  col_start_.assign(1, 0);
  row_start_.assign(m_ + 1, 0);
  entries_exact_.assign(cols, 1);
  for (std::size_t j = 0; j < cols; ++j) {
    form.for_any_column(j, [&](std::size_t row, const linear::Rational& v) {
      double image;
      if (!take_image(v, image)) entries_exact_[j] = 0;
      col_row_.push_back(static_cast<std::uint32_t>(row));
      col_value_.push_back(image);
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
  cost_exact_.assign(cols, 1);
  y_.assign(m_, 0.0);
  y_rad_.assign(m_, 0.0);
  y_exact_.assign(m_, 1);
  exact_.assign(cols, 0);
  estimate_.assign(cols, 0.0);
  drift_.assign(cols, 0.0);
  size_.assign(cols, 0.0);
  low_.assign(cols, 0.0);
  const std::size_t blocks = (cols + 63) / 64;
  block_high_.assign(blocks, 0.0);
  block_low_.assign(blocks, 0.0);
  block_open_.assign(blocks, 0);
  block_stale_.assign(blocks, 1);
}

void PriceBounds::reset() {
  // A sum of k terms is within about k roundings of its value in size.
  for (std::size_t j = 0; j < estimate_.size(); ++j) {
    double sum = cost_[j];
    double size = std::fabs(sum);
    double spread = 0.0;  // sum |a_ij| y_rad_i
    bool exact = cost_exact_[j] && entries_exact_[j];
    const std::uint32_t begin = col_start_[j], end = col_start_[j + 1];
    for (std::uint32_t k = begin; k < end; ++k) {
      const double t = col_value_[k] * y_[col_row_[k]];
      sum -= t;
      size += std::fabs(t);
      spread += std::fabs(col_value_[k]) * y_rad_[col_row_[k]];
      exact = exact && y_exact_[col_row_[k]] && exact_step(t) && exact_step(sum);
    }
    exact_[j] = exact;
    const double terms = static_cast<double>(end - begin + 1);
    estimate_[j] = sum;
    size_[j] = size * (1.0 + 0x1p-50) + terms * kUnderflowCover;
    drift_[j] = (size * (terms + 4.0) * 0x1p-52 + spread) * (1.0 + 0x1p-48) + terms * kUnderflowCover;
  }
  std::fill(block_stale_.begin(), block_stale_.end(), 1);
}

void PriceBounds::move_multiplier(std::size_t row, const linear::Rational& y) {
  // Each column of the row moves by -a * (new - old). The difference, the
  // product and the new estimate each round once, within 8 units of
  // roundoff of |step| + |estimate| together; the old term stays counted in
  // the size, which only over-covers. NaN images poison the estimates they
  // touch until the next reset.
  // Exact estimates stay exact while the old and new images are exact
  // integers and every step stays below kExactLimit.
  double image;
  const bool was_exact = y_exact_[row] != 0;
  const bool now_exact = take_image(y, image);
  y_exact_[row] = now_exact;
  const double delta = image - y_[row];
  y_[row] = image;
  if (delta == 0.0 && was_exact == now_exact) return;
  // A column can be exact only if every multiplier it meets is, this one's
  // old image included: the walk is compiled without the exactness test
  // for the rows where that already fails.
  const bool exact_delta = was_exact && now_exact && exact_step(delta);
  // Raw pointers: the flags are chars, and a store through one may alias
  // anything, so the vectors' buffers would be reloaded every entry.
  Columns c = columns();
  auto walk = [&](auto may_be_exact) {
    for (std::uint32_t k = row_start_[row]; k < row_start_[row + 1]; ++k) {
      const std::uint32_t j = c.row_col[k];
      const double a = c.row_value[k];
      const double t = a * delta;
      const double v = c.estimate[j] - t;
      c.estimate[j] = v;
      // The size is kept while an estimate is exact too, for when it stops.
      c.size[j] = (c.size[j] + std::fabs(a * image)) * (1.0 + 0x1p-50) + kUnderflowCover;
      c.stale[j >> 6] = 1;
      if constexpr (decltype(may_be_exact)::value) {
        if (c.exact[j]) {
          // An exact estimate carries no drift while it stays exact.
          if (exact_delta && exact_step(t) && exact_step(v)) continue;
          // Exact up to this step: only this step's roundoff from here on.
          c.exact[j] = 0;
          c.drift[j] = 0.0;
        }
      }
      c.drift[j] = (c.drift[j] + (std::fabs(t) + std::fabs(v)) * 0x1p-50 + kUnderflowCover) * (1.0 + 0x1p-50);
    }
  };
  if (was_exact) {
    walk(std::true_type{});
  } else {
    walk(std::false_type{});
  }
}

void PriceBounds::move_multiplier_by(std::size_t row, const Bound& delta) {
  // As move_multiplier, stepping each estimate by a * delta.mid; the exact
  // step lies within |a| * delta.rad of that, and y_rad_ keeps the sum of
  // those radii and of the roundings of the new image, for reset().
  const double old = y_[row];
  const double image = old + delta.mid;
  const bool was_exact = y_exact_[row] != 0;
  const bool exact_delta = delta.exact() && std::trunc(delta.mid) == delta.mid && exact_step(delta.mid);
  const bool now_exact = was_exact && exact_delta && exact_step(image);
  y_exact_[row] = now_exact;
  y_[row] = image;
  y_rad_[row] = now_exact ? 0.0
                          : (y_rad_[row] + delta.rad + std::fabs(image) * 0x1p-52) * (1.0 + 0x1p-50) + kUnderflowCover;
  if (delta.zero()) return;
  if (!delta.known()) {
    for (std::uint32_t k = row_start_[row]; k < row_start_[row + 1]; ++k) {
      const std::uint32_t j = row_col_[k];
      exact_[j] = 0;
      drift_[j] = HUGE_VAL;
      touch(j);
    }
    return;
  }
  Columns c = columns();
  for (std::uint32_t k = row_start_[row]; k < row_start_[row + 1]; ++k) {
    const std::uint32_t j = c.row_col[k];
    const double a = c.row_value[k];
    const double t = a * delta.mid;
    const double v = c.estimate[j] - t;
    c.estimate[j] = v;
    c.size[j] = (c.size[j] + std::fabs(a * image)) * (1.0 + 0x1p-50) + kUnderflowCover;
    c.stale[j >> 6] = 1;
    if (c.exact[j]) {
      if (now_exact && exact_step(t) && exact_step(v)) continue;
      c.exact[j] = 0;
      c.drift[j] = 0.0;
    }
    c.drift[j] = (c.drift[j] + std::fabs(a) * delta.rad + (std::fabs(t) + std::fabs(v)) * 0x1p-50 + kUnderflowCover) *
                 (1.0 + 0x1p-50);
  }
}

void PriceBounds::summarize(std::size_t block, std::uint64_t open) const {
  double least_low = HUGE_VAL, least_high = HUGE_VAL;
  const std::size_t first = block * 64;
  for (std::uint64_t b = open; b != 0; b &= b - 1) {
    const std::size_t j = first + static_cast<std::size_t>(__builtin_ctzll(b));
    double low, high;
    interval(j, low, high);
    low_[j] = low;
    least_low = low < least_low ? low : least_low;
    least_high = high < least_high ? high : least_high;
  }
  block_low_[block] = least_low;
  block_high_[block] = least_high;
  block_open_[block] = open;
  block_stale_[block] = 0;
}

void PriceBounds::contenders(const std::vector<std::uint64_t>& open,
                             std::vector<std::pair<std::uint32_t, double>>& out) const {
  // Two passes over the block summaries (brought up to date first): the
  // least upper bound, then the columns of the blocks whose least lower
  // bound reaches it. Past the first column whose upper bound is that top,
  // d_j <= top there, so a later column can win only strictly below top (a
  // tie goes to the lower index): in a program of many exact ties (phase
  // one's costs of 0 and 1, integer multipliers) the rest of the tie is
  // never listed.
  double top = 0.0;
  for (std::size_t w = 0; w < open.size(); ++w) {
    if (block_stale_[w] || block_open_[w] != open[w]) summarize(w, open[w]);
    top = block_high_[w] < top ? block_high_[w] : top;
  }
  out.clear();
  bool strict = false;
  auto reaches = [&](double low) { return strict ? low < top : low <= top; };
  for (std::size_t w = 0; w < open.size(); ++w) {
    if (!reaches(block_low_[w])) continue;
    for (std::uint64_t b = open[w]; b != 0; b &= b - 1) {
      const std::size_t j = w * 64 + static_cast<std::size_t>(__builtin_ctzll(b));
      if (!reaches(low_[j])) continue;
      out.emplace_back(static_cast<std::uint32_t>(j), low_[j]);
      if (!strict) {
        double low, high;
        interval(j, low, high);
        strict = high == top;
      }
    }
  }
}

}  // namespace mivex::lp
