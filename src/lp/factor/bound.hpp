// A proven double-precision interval around an exact number: the number
// lies in [mid - rad, mid + rad]. rad == 0 means mid is the number itself
// ({0, 0} is an exact zero); an infinite or NaN radius means nothing is known.
//
// The operations round to nearest and then widen the radius by more than
// their roundings can reach, so a result always holds the exact result of
// the numbers its operands hold. Where every operand is exact and the double
// operation made no rounding error (checked with fma and TwoSum), the result
// stays exact: integer programs keep exact values and exact ties for free.
#pragma once

#include <cmath>

#include "linear/rational.hpp"

namespace mivex::lp {

// What a radius or error bound adds to cover underflow. It must be a normal
// double: a product with a subnormal result takes a microcode assist, some
// fifty times a normal one, and radii are multiplied on every step.
inline constexpr double kUnderflowCover = 0x1p-1020;

struct Bound {
  double mid = 0.0;
  double rad = 0.0;

  static constexpr double kMax = 1.7976931348623157e308;
  static Bound unknown() { return {0.0, HUGE_VAL}; }
  // The image of an exact number.
  static Bound of(const linear::Rational& v);

  bool zero() const { return mid == 0.0 && rad == 0.0; }
  bool exact() const { return rad == 0.0; }
  bool known() const { return rad <= kMax && std::fabs(mid) <= kMax; }  // false on NaN
  // Proven signs (false when unknown).
  bool positive() const { return mid > rad; }
  bool negative() const { return -mid > rad; }
  // Safe ends: low() <= the number <= high() (infinite when unknown).
  double low() const {
    if (!known()) return -HUGE_VAL;
    const double v = mid - rad;
    return v - std::fabs(v) * 0x1p-52 - 0x1p-1070;
  }
  double high() const {
    if (!known()) return HUGE_VAL;
    const double v = mid + rad;
    return v + std::fabs(v) * 0x1p-52 + 0x1p-1070;
  }
  Bound operator-() const { return {-mid, rad}; }
};

namespace bound_detail {

// A radius computed from at most a dozen rounded operations on nonnegative
// terms, widened to cover their roundings and any underflow.
inline double up(double r) { return r * (1.0 + 0x1p-49) + kUnderflowCover; }
// Products and quotients below this may have lost bits to underflow.
inline constexpr double kSafeLow = 0x1p-960;
inline bool safe(double v) { return v == 0.0 || (std::fabs(v) >= kSafeLow && std::fabs(v) <= Bound::kMax); }

}  // namespace bound_detail

// v -= a * b
inline void sub_mul(Bound& v, const Bound& a, const Bound& b) {
  using namespace bound_detail;
  if (a.zero() || b.zero()) return;  // an exact zero times any number
  const double p = a.mid * b.mid;
  const double m = v.mid - p;
  if (v.rad == 0.0 && a.rad == 0.0 && b.rad == 0.0 && safe(p) && safe(m) && std::fma(a.mid, b.mid, -p) == 0.0) {
    // TwoSum: the rounding error of v.mid - p, exactly.
    const double bv = m - v.mid;
    const double err = (v.mid - (m - bv)) + (-p - bv);
    if (err == 0.0) {
      v.mid = m;
      return;
    }
  }
  v.rad = up(v.rad + std::fabs(a.mid) * b.rad + std::fabs(b.mid) * a.rad + a.rad * b.rad +
             (std::fabs(p) + std::fabs(m)) * 0x1p-52);
  v.mid = m;
}

// t /= p
inline void div_by(Bound& t, const Bound& p) {
  using namespace bound_detail;
  const double q = t.mid / p.mid;
  if (t.rad == 0.0 && p.rad == 0.0 && safe(q) && safe(t.mid) && std::fma(q, p.mid, -t.mid) == 0.0) {
    t.mid = q;
    return;
  }
  const double ap = std::fabs(p.mid);
  if (!(p.rad <= ap * 0.5) || !(ap >= kSafeLow)) {
    t = Bound::unknown();
    return;
  }
  t.rad = up((t.rad + std::fabs(q) * p.rad) / (ap - p.rad) + std::fabs(q) * 0x1p-52);
  t.mid = q;
}

inline Bound product(const Bound& a, const Bound& b) {
  Bound v;
  sub_mul(v, a, b);
  return -v;
}

inline Bound quotient(Bound t, const Bound& p) {
  div_by(t, p);
  return t;
}

// Whether the exact number v lies in b (for tests and checks).
bool holds(const Bound& b, const linear::Rational& v);

}  // namespace mivex::lp
