#include "cp/wide_linear.hpp"

#include "cp/propagator.hpp"

namespace mivex::cp {

mpz_class to_mpz(i128 value) {
  bool negative = value < 0;
  unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(value)
                                         : static_cast<unsigned __int128>(value);
  mpz_class high(static_cast<unsigned long>(magnitude >> 64));
  mpz_class result = (high << 64) + mpz_class(static_cast<unsigned long>(magnitude));
  return negative ? mpz_class(-result) : result;
}

std::shared_ptr<const WideLinear> make_wide_linear(const std::vector<std::pair<i128, std::uint32_t>>& terms,
                                                   std::int64_t rhs, CpConstraint::Rel rel) {
  auto wide = std::make_shared<WideLinear>();
  for (const auto& [coeff, var] : terms) wide->terms.push_back({to_mpz(coeff), var});
  wide->rhs = to_mpz(rhs);
  wide->rel = rel;
  return wide;
}

namespace {

// A quotient as a bound, clamped just outside the 64-bit range.
i128 clamp_mpz(const mpz_class& q) {
  if (q < static_cast<long>(kMin64)) return kBelow64;
  if (q > static_cast<long>(kMax64)) return kAbove64;
  return q.get_si();  // within the 64-bit range, so within a long on LP64
}

}  // namespace

bool propagate_wide_linear(const WideLinear& linear, Store& s) {
  const bool upper = linear.rel != CpConstraint::Rel::Ge, lower = linear.rel != CpConstraint::Rel::Le;
  mpz_class min_rest, max_rest, n, q;
  for (const auto& [a, v] : linear.terms) {
    min_rest = 0;
    max_rest = 0;
    for (const auto& [b, w] : linear.terms) {
      if (w == v) continue;
      bool pos = sgn(b) > 0;
      min_rest += b * mpz_class(static_cast<long>(pos ? s.lo(w) : s.hi(w)));
      max_rest += b * mpz_class(static_cast<long>(pos ? s.hi(w) : s.lo(w)));
    }
    bool pos = sgn(a) > 0;
    if (upper) {
      n = linear.rhs - min_rest;
      if (pos) {
        mpz_fdiv_q(q.get_mpz_t(), n.get_mpz_t(), a.get_mpz_t());
        if (!s.set_hi(v, clamp_mpz(q))) return false;
      } else {
        mpz_cdiv_q(q.get_mpz_t(), n.get_mpz_t(), a.get_mpz_t());
        if (!s.set_lo(v, clamp_mpz(q))) return false;
      }
    }
    if (lower) {
      n = linear.rhs - max_rest;
      if (pos) {
        mpz_cdiv_q(q.get_mpz_t(), n.get_mpz_t(), a.get_mpz_t());
        if (!s.set_lo(v, clamp_mpz(q))) return false;
      } else {
        mpz_fdiv_q(q.get_mpz_t(), n.get_mpz_t(), a.get_mpz_t());
        if (!s.set_hi(v, clamp_mpz(q))) return false;
      }
    }
  }
  return true;
}

}  // namespace mivex::cp
