// Exact integer arithmetic for bounds reasoning. Bounds and coefficients are
// signed 64-bit; every product, sum and quotient is computed exactly (128-bit
// products, sums that carry their overflow), and a derived bound is clamped
// to [INT64_MIN - 1, INT64_MAX + 1] so that "beyond the range" still compares
// correctly against any 64-bit bound.
#pragma once

#include <cstdint>
#include <limits>

namespace mivex::cp {

using i128 = __int128;

inline constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
inline constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
inline constexpr i128 kBelow64 = i128{kMin64} - 1;
inline constexpr i128 kAbove64 = i128{kMax64} + 1;

inline i128 clamp_bound(i128 value) {
  if (value < kBelow64) return kBelow64;
  if (value > kAbove64) return kAbove64;
  return value;
}

// Quotients rounded toward minus and plus infinity, for either sign. The
// caller guarantees d != 0 and not (n == INT128_MIN and d == -1).
inline i128 floor_div(i128 n, i128 d) {
  if (n == static_cast<std::int64_t>(n) && d == static_cast<std::int64_t>(d) && d != -1) {
    std::int64_t a = static_cast<std::int64_t>(n), b = static_cast<std::int64_t>(d);
    std::int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) --q;
    return q;
  }
  i128 q = n / d;
  if (n % d != 0 && ((n < 0) != (d < 0))) --q;
  return q;
}

inline i128 ceil_div(i128 n, i128 d) {
  if (n == static_cast<std::int64_t>(n) && d == static_cast<std::int64_t>(d) && d != -1) {
    std::int64_t a = static_cast<std::int64_t>(n), b = static_cast<std::int64_t>(d);
    std::int64_t q = a / b;
    if (a % b != 0 && ((a < 0) == (b < 0))) ++q;
    return q;
  }
  i128 q = n / d;
  if (n % d != 0 && ((n < 0) == (d < 0))) ++q;
  return q;
}

// A sum of 128-bit values kept exactly: the 128-bit remainder plus a count of
// wraps of 2^128. Any product of two 64-bit numbers fits in 127 bits, so a sum
// of them can only leave 128 bits by accumulating; the wrap count keeps it exact.
class ExactSum {
 public:
  ExactSum() = default;
  explicit ExactSum(i128 value) : low_(value) {}

  void add(i128 x) {
    if (__builtin_add_overflow(low_, x, &low_)) wraps_ += x > 0 ? 1 : -1;
  }
  void sub(i128 x) {
    if (__builtin_sub_overflow(low_, x, &low_)) wraps_ += x < 0 ? 1 : -1;
  }
  void add(const ExactSum& other) {
    add(other.low_);
    wraps_ += other.wraps_;
  }
  void sub(const ExactSum& other) {
    sub(other.low_);
    wraps_ -= other.wraps_;
  }

  // -1, 0 or 1 when the value is at most -2^127, within (-2^127, 2^127), or at
  // least 2^127; `value()` is exact in the middle case.
  int outside() const {
    if (wraps_ > 0) return 1;
    if (wraps_ < 0 || low_ == kMin128) return -1;
    return 0;
  }
  i128 value() const { return low_; }

  int sign() const {
    if (wraps_ != 0) return wraps_ > 0 ? 1 : -1;
    return low_ > 0 ? 1 : (low_ < 0 ? -1 : 0);
  }

 private:
  static constexpr i128 kMin128 = static_cast<i128>(static_cast<unsigned __int128>(1) << 127);
  i128 low_ = 0;
  std::int64_t wraps_ = 0;
};

inline void add_product(ExactSum& sum, std::int64_t a, std::int64_t x) { sum.add(i128{a} * x); }

// floor(n / a) and ceil(n / a) for a nonzero a with |a| <= 2^63, clamped as
// above. A numerator of magnitude 2^127 or more gives a quotient beyond the
// 64-bit range.
inline i128 floor_bound(const ExactSum& n, i128 a) {
  if (int side = n.outside()) return (side > 0) == (a > 0) ? kAbove64 : kBelow64;
  return clamp_bound(floor_div(n.value(), a));
}

inline i128 ceil_bound(const ExactSum& n, i128 a) {
  if (int side = n.outside()) return (side > 0) == (a > 0) ? kAbove64 : kBelow64;
  return clamp_bound(ceil_div(n.value(), a));
}

}  // namespace mivex::cp
