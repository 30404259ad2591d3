// Exact rational numbers. A value is two machine words: numerator and
// denominator as signed 64-bit integers, reduced, denominator positive, zero
// stored as 0/1. A result that does not fit those words is promoted to a GMP
// rational on the heap (marked by den_ == 0, the pointer in place of the
// numerator) and demoted again as soon as it fits, so every value has exactly
// one representation and the common small case never touches GMP.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <utility>

#include <gmp.h>

namespace mivex::linear {

class Rational {
 public:
  Rational() noexcept : num_(0), den_(1) {}
  // n/1
  Rational(std::int64_t n) noexcept : num_(n), den_(1) {}  // NOLINT: implicit on purpose
  // n/d reduced, sign on the numerator; stops with "Rational denominator
  // cannot be zero" when d is 0.
  Rational(std::int64_t n, std::int64_t d);

  Rational(const Rational& other) : num_(other.num_), den_(other.den_) {
    if (den_ == 0) copy_big(other);
  }
  Rational(Rational&& other) noexcept : num_(other.num_), den_(other.den_) {
    other.num_ = 0;
    other.den_ = 1;
  }
  Rational& operator=(const Rational& other) {
    if ((den_ != 0) & (other.den_ != 0)) {
      num_ = other.num_;
      den_ = other.den_;
      return *this;
    }
    return assign_slow(other);
  }
  Rational& operator=(Rational&& other) noexcept {
    std::swap(num_, other.num_);
    std::swap(den_, other.den_);
    return *this;
  }
  ~Rational() {
    if (den_ == 0) free_big();
  }

  // A decimal number with at most nine places: integral values exactly
  // (saturated to 64 bits), others as round(x * 1e9) / 1e9, halves away
  // from zero; NaN gives 0.
  static Rational from_f64(double x);
  // The exact value of a finite double (every double is a binary fraction).
  static Rational exact_f64(double x);
  // Small values: num / den, each converted to the nearest double. Larger
  // ones: the double nearest to the exact value.
  double to_f64() const {
    // Words: both exact below 2^53, else each rounded once before the division.
    if (den_ != 0) return static_cast<double>(num_) / static_cast<double>(den_);
    return big_to_f64();
  }

  // Whether the value lives in the two words (then num() and den() are valid).
  bool is_small() const { return den_ != 0; }
  // Machine words beyond the inline two: 0 for small values.
  std::size_t extra_words() const {
    return den_ != 0 ? 0 : mpz_size(mpq_numref(big_)) + mpz_size(mpq_denref(big_));
  }
  std::int64_t num() const { return num_; }
  std::int64_t den() const { return den_; }

  int sign() const {
    if (den_ == 0) return big_sign();
    return (num_ > 0) - (num_ < 0);
  }
  // A promoted value keeps a non-null pointer in the numerator's place, so
  // the numerator word alone tells zero (always stored as 0/1).
  bool is_zero() const { return num_ == 0; }
  bool is_positive() const { return sign() > 0; }
  bool is_negative() const { return sign() < 0; }
  bool is_integer() const;

  // Exchange with GMP (for code that builds values from GMP integers).
  void to_mpq(mpq_ptr out) const { load(out); }
  static Rational from_mpq(mpq_srcptr value);

  // The numerator and denominator modulo p (p > 0), each in [0, p).
  void residues(std::uint64_t p, std::uint64_t& num, std::uint64_t& den) const;

  // "n" for integers, "n/d" otherwise, in decimal.
  std::string text() const;

  friend Rational operator+(const Rational& a, const Rational& b);
  friend Rational operator-(const Rational& a, const Rational& b);
  friend Rational operator*(const Rational& a, const Rational& b);
  // Stops with "Rational denominator cannot be zero" when b is zero.
  friend Rational operator/(const Rational& a, const Rational& b);
  Rational operator-() const;

  // In-place forms for hot loops; they reuse this value's storage.
  void sub_mul(const Rational& f, const Rational& x) {  // *this -= f * x
    // Integers that stay in a word need no reduction at all.
    std::int64_t p, r;
    if ((den_ == 1) & (f.den_ == 1) & (x.den_ == 1) && !__builtin_mul_overflow(f.num_, x.num_, &p) &&
        !__builtin_sub_overflow(num_, p, &r) && r != INT64_MIN) {
      num_ = r;
      return;
    }
    sub_mul_general(f, x);
  }
  void div_by(const Rational& p);                      // *this /= p

  friend bool operator==(const Rational& a, const Rational& b);
  friend std::strong_ordering operator<=>(const Rational& a, const Rational& b);

 private:
  friend struct BigOps;
  friend struct WideOps;
  int big_sign() const;
  void sub_mul_general(const Rational& f, const Rational& x);
  double big_to_f64() const;  // correctly rounded
  void copy_big(const Rational& other);
  Rational& assign_slow(const Rational& other);
  void free_big();
  // Fresh GMP storage in place of the words (the value is set after).
  void make_big();
  // The value n/d in the two words (reduced, d > 0), GMP storage freed.
  void set_words(std::int64_t n, std::int64_t d) {
    if (den_ == 0) free_big();
    num_ = n;
    den_ = d;
  }
  // Take the value of `r` (a GMP rational in canonical form), demoting it
  // when it fits; may swap storage with `r`.
  void assign(mpq_ptr r);
  // Load this value into `out`.
  void load(mpq_ptr out) const;

  union {
    std::int64_t num_;
    mpq_ptr big_;
  };
  std::int64_t den_;  // 0 marks a promoted value
};

}  // namespace mivex::linear
