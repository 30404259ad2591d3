#include "linear/product_sum.hpp"

namespace mivex::linear {

ProductSum::~ProductSum() {
  if (!made_) return;
  mpz_clears(num_, den_, term_num_, term_den_, factor_, nullptr);
  mpq_clears(a_, b_, nullptr);
}

void ProductSum::clear() {
  small_ = Rational();
  wide_ = false;
}

void ProductSum::add(const Rational& a, const Rational& b) {
  if (a.is_zero() || b.is_zero()) return;
  if (apart_ && a.is_small() && b.is_small() && small_.is_small()) {
    small_.sub_mul(a, b);
    return;
  }
  add_wide(a, b);
}

void ProductSum::add_wide(const Rational& a, const Rational& b) {
  if (!made_) {
    mpz_inits(num_, den_, term_num_, term_den_, factor_, nullptr);
    mpq_inits(a_, b_, nullptr);
    made_ = true;
  }
  if (!wide_) {
    mpz_set_ui(num_, 0);
    mpz_set_ui(den_, 1);
    wide_ = true;
  }
  a.to_mpq(a_);
  b.to_mpq(b_);
  mpz_mul(term_num_, mpq_numref(a_), mpq_numref(b_));
  mpz_mul(term_den_, mpq_denref(a_), mpq_denref(b_));
  if (!mpz_divisible_p(den_, term_den_)) {
    // den_ becomes lcm(den_, term_den_): both parts scale by term_den_ / g.
    mpz_gcd(factor_, den_, term_den_);
    mpz_divexact(factor_, term_den_, factor_);
    mpz_mul(num_, num_, factor_);
    mpz_mul(den_, den_, factor_);
  }
  mpz_divexact(factor_, den_, term_den_);
  mpz_addmul(num_, term_num_, factor_);
}

Rational ProductSum::value() {
  if (!wide_) return -small_;
  mpz_set(mpq_numref(a_), num_);
  mpz_set(mpq_denref(a_), den_);
  mpq_canonicalize(a_);
  return Rational::from_mpq(a_) - small_;
}

}  // namespace mivex::linear
