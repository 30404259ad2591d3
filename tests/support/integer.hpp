// Exact integers for the scaled tableau rows: a signed 64-bit value inline,
// promoted to a GMP integer on the heap only while it does not fit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include <gmp.h>

#include "linear/word_gcd.hpp"

namespace mivex::support {

using linear::word_gcd;

class Integer {
 public:
  Integer() noexcept = default;
  Integer(std::int64_t v) noexcept : small_(v) {}  // NOLINT: implicit on purpose
  Integer(const Integer& other) : small_(other.small_) {
    if (other.big_ != nullptr) copy_big(other);
  }
  Integer(Integer&& other) noexcept : small_(other.small_), big_(other.big_) {
    other.small_ = 0;
    other.big_ = nullptr;
  }
  Integer& operator=(const Integer& other);
  Integer& operator=(Integer&& other) noexcept {
    std::swap(small_, other.small_);
    std::swap(big_, other.big_);
    return *this;
  }
  ~Integer() {
    if (big_ != nullptr) free_big();
  }

  bool is_small() const { return big_ == nullptr; }
  std::int64_t small() const { return small_; }
  int sign() const {
    if (big_ != nullptr) return mpz_sgn(big_);
    return (small_ > 0) - (small_ < 0);
  }
  bool is_zero() const { return big_ == nullptr && small_ == 0; }
  bool is_one() const { return big_ == nullptr && small_ == 1; }

  // Load into / take from a GMP integer (take may swap storage with `z`).
  void load(mpz_ptr z) const;
  void take(mpz_ptr z);
  std::string text() const;

  void negate();
  // *this = v * a - u * b
  void set_lincomb(const Integer& v, const Integer& a, const Integer& u, const Integer& b) {
    if ((v.big_ == nullptr) & (a.big_ == nullptr) & (u.big_ == nullptr) & (b.big_ == nullptr) &
        (big_ == nullptr)) {
      std::int64_t x, y, r;  // `a` or `b` may be *this: write only a finished result
      if (!__builtin_mul_overflow(v.small_, a.small_, &x) && !__builtin_mul_overflow(u.small_, b.small_, &y) &&
          !__builtin_sub_overflow(x, y, &r)) {
        small_ = r;
        return;
      }
    }
    set_lincomb_slow(v, a, u, b);
  }
  void mul_by(const Integer& v) {
    std::int64_t r;
    if ((big_ == nullptr) & (v.big_ == nullptr) && !__builtin_mul_overflow(small_, v.small_, &r)) {
      small_ = r;
      return;
    }
    mul_by_slow(v);
  }
  // *this /= g, g dividing it exactly, g > 0
  void divexact_by(const Integer& g) {
    if ((big_ == nullptr) & (g.big_ == nullptr)) {
      small_ /= g.small_;
      return;
    }
    divexact_by_slow(g);
  }
  // g = gcd(g, |*this|), g >= 0
  void gcd_into(Integer& g) const {
    if (g.is_one() || is_zero()) return;
    // |INT64_MIN| = 2^63 does not fit back: such a gcd is kept in GMP.
    if ((big_ == nullptr) & (g.big_ == nullptr) & (small_ != INT64_MIN) & (g.small_ >= 0)) {
      g.small_ = static_cast<std::int64_t>(
          word_gcd(static_cast<std::uint64_t>(small_ < 0 ? -small_ : small_), static_cast<std::uint64_t>(g.small_)));
      return;
    }
    gcd_into_slow(g);
  }

  // sign(a * b - c * d)
  friend int compare_products(const Integer& a, const Integer& b, const Integer& c, const Integer& d);
  friend int compare(const Integer& a, const Integer& b);

 private:
  void set_lincomb_slow(const Integer& v, const Integer& a, const Integer& u, const Integer& b);
  void mul_by_slow(const Integer& v);
  void divexact_by_slow(const Integer& g);
  void gcd_into_slow(Integer& g) const;
  void copy_big(const Integer& other);
  void free_big();

  std::int64_t small_ = 0;
  mpz_ptr big_ = nullptr;  // set only while the value does not fit 64 bits
};

}  // namespace mivex::support
