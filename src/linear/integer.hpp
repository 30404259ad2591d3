// Exact integers for the scaled tableau rows: a signed 64-bit value inline,
// promoted to a GMP integer on the heap only while it does not fit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include <gmp.h>

namespace mivex::linear {

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
  void set_lincomb(const Integer& v, const Integer& a, const Integer& u, const Integer& b);
  void mul_by(const Integer& v);
  // *this /= g, g dividing it exactly, g > 0
  void divexact_by(const Integer& g);
  // g = gcd(g, |*this|), g >= 0
  void gcd_into(Integer& g) const;

  // sign(a * b - c * d)
  friend int compare_products(const Integer& a, const Integer& b, const Integer& c, const Integer& d);
  friend int compare(const Integer& a, const Integer& b);

 private:
  void copy_big(const Integer& other);
  void free_big();

  std::int64_t small_ = 0;
  mpz_ptr big_ = nullptr;  // set only while the value does not fit 64 bits
};

}  // namespace mivex::linear
