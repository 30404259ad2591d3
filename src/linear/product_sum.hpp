// A sum of products of rationals, kept as one integer numerator over one
// running denominator and reduced once, at the end. Adding a product to a
// reduced rational pays for gcds at every term; the terms of a row of a
// basis inverse mostly share their denominator, which one divisibility test
// finds, so here most terms cost a division and a multiply-add.
#pragma once

#include <gmp.h>

#include "linear/rational.hpp"

namespace mivex::linear {

class ProductSum {
 public:
  ProductSum();
  ~ProductSum();
  // Scratch only between clear() and value(): a copy starts empty.
  ProductSum(const ProductSum&) : ProductSum() {}
  ProductSum& operator=(const ProductSum&) { return *this; }

  void clear();                                     // the sum becomes 0
  void add(const Rational& a, const Rational& b);   // sum += a * b
  Rational value();                                 // the sum, reduced

 private:
  mpz_t num_, den_;          // the sum is num_ / den_, not reduced
  mpz_t term_num_, term_den_, factor_;
  mpq_t a_, b_;
};

}  // namespace mivex::linear
