// A sum of products of rationals. Adding a product to a reduced rational
// pays for gcds at every term, which is cheap in words and dear for wide
// values; so terms whose factors are in words are summed in words, and the
// others are kept as one integer numerator over one running denominator,
// reduced once, at the end. The terms of a row of a basis inverse mostly
// share their denominator, which one divisibility test finds, so there most
// wide terms cost a division and a multiply-add.
#pragma once

#include <gmp.h>

#include "linear/rational.hpp"

namespace mivex::linear {

class ProductSum {
 public:
  ProductSum() = default;
  ~ProductSum();
  // Scratch only between clear() and value(): a copy starts empty.
  ProductSum(const ProductSum&) {}
  ProductSum& operator=(const ProductSum&) { return *this; }

  void clear();                                     // the sum becomes 0
  void add(const Rational& a, const Rational& b);   // sum += a * b
  Rational value();                                 // the sum, reduced

 private:
  void add_wide(const Rational& a, const Rational& b);

  // Minus the sum of the word terms, while it fits in words (an in-place
  // c - f x); once it does not, every later term is a wide one.
  Rational small_;
  bool wide_ = false;  // a wide term was added since clear()
  bool made_ = false;  // the GMP values below are initialised
  mpz_t num_, den_;    // the wide terms' sum is num_ / den_, not reduced
  mpz_t term_num_, term_den_, factor_;
  mpq_t a_, b_;
};

}  // namespace mivex::linear
