#include "lp/simplex/pivot_log.hpp"

#include <algorithm>
#include <cmath>

#include "core/error.hpp"

namespace mivex::lp {

namespace {

constexpr double kTwo53 = 9007199254740992.0;

// Whether v is an integer whose double is exact.
bool exact_integer(const linear::Rational& v) {
  return v.is_small() && v.den() == 1 && std::fabs(static_cast<double>(v.num())) <= kTwo53;
}

// An upper bound on the value a High stands for. A double of a rational is
// within three rounding errors of it; 2^-50 covers them with room.
double upper(const PivotLog::High& h) {
  return h.exact ? h.value : h.value + std::fabs(h.value) * 0x1p-50 + 0x1p-1000;
}

}  // namespace

void PivotLog::apply(std::vector<std::uint32_t>& basis, std::size_t from, std::size_t to) const {
  if (to > steps.size()) stop("pivot log does not fit the program");
  for (std::size_t t = from; t < to; ++t) {
    const Step& s = steps[t];
    if (s.position >= basis.size() || basis[s.position] != s.leaving) stop("pivot log does not fit the program");
    basis[s.position] = s.entering;
  }
}

std::size_t PivotLog::first_above(std::size_t col, const linear::Rational& f) const {
  if (!exact_integer(f)) return 0;  // not a branching bound: assume the worst
  const double fd = static_cast<double>(f.num());
  for (const High& h : highs) {
    if (h.col == col && upper(h) > fd) return h.pivot;
  }
  return steps.size();
}

void PivotLog::start_from(const PivotLog& base, std::size_t pivots, std::size_t structural) {
  steps.assign(base.steps.begin(), base.steps.begin() + static_cast<std::ptrdiff_t>(pivots));
  phase1 = 0;
  has_phase1 = false;
  complete = false;
  second_run = nullptr;
  drive_out = std::min(base.drive_out, pivots);
  highs.clear();
  ceiling_.assign(structural, -HUGE_VAL);
  for (const High& h : base.highs) {
    if (h.pivot >= pivots) break;
    highs.push_back(h);
    ceiling_[h.col] = upper(h);
  }
  close.assign(structural, kNever);
  for (std::size_t j = 0; j < structural && j < base.close.size(); ++j) {
    if (base.close[j] < pivots) close[j] = base.close[j];
  }
}

void PivotLog::note_value(std::size_t pivot, std::size_t col, const linear::Rational& value) {
  High h{static_cast<std::uint32_t>(pivot), static_cast<std::uint32_t>(col), value.to_f64(), exact_integer(value)};
  const double u = upper(h);
  if (!(u <= ceiling_[col])) {  // NaN included
    ceiling_[col] = std::isnan(u) ? HUGE_VAL : u;
    highs.push_back(h);
  }
}

void PivotLog::note_value(std::size_t pivot, std::size_t col, double mid, double rad, double high) {
  const bool exact = rad == 0.0 && std::trunc(mid) == mid && std::fabs(mid) <= kTwo53;
  High h{static_cast<std::uint32_t>(pivot), static_cast<std::uint32_t>(col), exact ? mid : high, exact};
  const double u = upper(h);
  if (!(u <= ceiling_[col])) {  // NaN included
    ceiling_[col] = std::isnan(u) ? HUGE_VAL : u;
    highs.push_back(h);
  }
}

void PivotLog::finish() {
  complete = true;
  ceiling_ = {};
  steps.shrink_to_fit();
  highs.shrink_to_fit();
}

}  // namespace mivex::lp
