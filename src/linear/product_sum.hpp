// A sum of products of rationals, kept as one integer numerator over one
// running denominator and reduced once, at the end. Adding a product to a
// reduced rational pays for gcds at every term, which is cheap in words
// and dear for wide values. The terms of a row of a basis inverse mostly
// share their denominator, which one divisibility test finds, so there
// every term costs a division and a multiply-add. Where few terms share a
// denominator and most fit in words (an objective at a point, a check of
// a certificate), those terms are better summed apart, in words
// (Words::Apart).
#pragma once

#include <gmp.h>

#include "linear/rational.hpp"

namespace mivex::linear {

class ProductSum {
 public:
  enum class Words : bool { Together, Apart };
  explicit ProductSum(Words words = Words::Together) : apart_(words == Words::Apart) {}
  ~ProductSum();
  // Scratch only between clear() and value(): a copy starts empty.
  ProductSum(const ProductSum& other) : apart_(other.apart_) {}
  ProductSum& operator=(const ProductSum&) { return *this; }

  void clear();                                     // the sum becomes 0
  void add(const Rational& a, const Rational& b);   // sum += a * b
  Rational value();                                 // the sum, reduced

 private:
  void add_wide(const Rational& a, const Rational& b);

  // With Words::Apart, minus the sum of the word terms while it fits in
  // words (an in-place c - f x); once it does not, every later term joins
  // the running denominator.
  Rational small_;
  bool apart_;
  bool wide_ = false;  // a wide term was added since clear()
  bool made_ = false;  // the GMP values below are initialised
  mpz_t num_, den_;    // the wide terms' sum is num_ / den_, not reduced
  mpz_t term_num_, term_den_, factor_;
  mpq_t a_, b_;
};

}  // namespace mivex::linear
