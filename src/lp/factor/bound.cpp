#include "lp/factor/bound.hpp"

namespace mivex::lp {

Bound Bound::of(const linear::Rational& v) {
  if (v.is_zero()) return {};
  if (v.is_small() && v.den() == 1) {
    // An integer whose double is itself (every one below 2^53, and more).
    const double d = static_cast<double>(v.num());
    if (std::fabs(d) < 0x1p62 && static_cast<std::int64_t>(d) == v.num()) return {d, 0.0};
  }
  // to_f64 is within three roundings of v while v is a normal number.
  const double d = v.to_f64();
  if (!bound_detail::safe(d)) return unknown();
  return {d, std::fabs(d) * 0x1p-50};
}

bool holds(const Bound& b, const linear::Rational& v) {
  if (!b.known()) return true;
  if (b.exact()) return linear::Rational::exact_f64(b.mid) == v;
  // An end past the doubles (a known bound near their limit) holds anything.
  const double low = b.low(), high = b.high();
  return (std::isinf(low) || linear::Rational::exact_f64(low) <= v) &&
         (std::isinf(high) || v <= linear::Rational::exact_f64(high));
}

}  // namespace mivex::lp
