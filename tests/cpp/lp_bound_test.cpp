// Bound arithmetic against exact rationals: long chains of the products,
// differences and quotients the solves make, on numbers picked to hurt
// (cancellation, values past 2^53 and past 64 bits, tiny and huge
// magnitudes). Every result must hold its exact value; exact operands whose
// double results are exact must stay exact.
#include <gtest/gtest.h>

#include <random>

#include "lp/factor/bound.hpp"
#include "support/soak.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::Rational;

namespace {

Rational pick_number(std::mt19937_64& rng) {
  auto pick = [&](std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(hi - lo + 1));
  };
  switch (pick(0, 8)) {
    // Exact doubles whose products round, and numbers near those products:
    // there only the rounding terms of the radius cover the error.
    case 7: return Rational((std::int64_t{1} << 27) + pick(1, 999));
    case 8: return Rational((std::int64_t{1} << 54) + 4 * pick(-99999, 99999));
    case 0: return Rational(pick(-9, 9));
    case 1: return Rational(pick(-1000000, 1000000), pick(1, 999));
    case 2: return Rational((std::int64_t{1} << 53) + pick(-3, 3));
    case 3: return Rational(pick(1, 1000000000), 1000000000) * Rational(pick(-3, 3) * 1000000007);
    case 4: return Rational(pick(-7, 7), 3) * Rational(std::int64_t{1} << 40) * Rational(std::int64_t{1} << 40);
    case 5: return Rational(pick(-7, 7), std::int64_t{1} << 62) / Rational(std::int64_t{1} << 40);
    default: return Rational(1, pick(1, 97));
  }
}

struct Pair {
  Bound bound;
  Rational exact;
};

}  // namespace

TEST(Bounds, HoldTheirExactValuesThroughChains) {
  std::mt19937_64 rng(support::soak_seed(99));
  std::size_t exact_kept = 0;
  for (int chain = 0; chain < support::soak_rounds(500); ++chain) {
    std::vector<Pair> pool;
    for (int k = 0; k < 6; ++k) {
      Rational v = pick_number(rng);
      pool.push_back({Bound::of(v), v});
    }
    for (int step = 0; step < 60; ++step) {
      Pair& v = pool[rng() % pool.size()];
      const Pair a = pool[rng() % pool.size()];
      const Pair b = pool[rng() % pool.size()];
      if (rng() % 4 == 0) {
        if (b.exact.is_zero()) continue;
        div_by(v.bound, b.bound);
        v.exact = v.exact / b.exact;
      } else {
        const bool all_exact = v.bound.exact() && a.bound.exact() && b.bound.exact();
        sub_mul(v.bound, a.bound, b.bound);
        v.exact.sub_mul(a.exact, b.exact);
        exact_kept += all_exact && v.bound.exact();
      }
      ASSERT_TRUE(holds(v.bound, v.exact)) << "chain " << chain << " step " << step << ": " << v.bound.mid << " +- "
                                           << v.bound.rad << " misses " << v.exact.text();
      ASSERT_TRUE(!v.bound.zero() || v.exact.is_zero()) << "a zero that is not one";
      if (!v.bound.known() || std::fabs(v.bound.mid) > 1e300) v = {Bound::of(Rational(1)), Rational(1)};
    }
  }
  EXPECT_GT(exact_kept, 200u);
}

TEST(Bounds, RoundingsAloneAreCovered) {
  // Exact operands, where only the roundings' terms make the radius: a
  // product that loses its last bit, less a number close to it; a quotient
  // that does not terminate in binary.
  const Rational a((std::int64_t{1} << 27) + 1), big(std::int64_t{1} << 54);
  Bound v = Bound::of(big);
  sub_mul(v, Bound::of(a), Bound::of(a));
  Rational exact = big;
  exact.sub_mul(a, a);
  EXPECT_TRUE(holds(v, exact)) << v.mid << " +- " << v.rad;
  Bound q = Bound::of(Rational(1));
  div_by(q, Bound::of(Rational(3)));
  EXPECT_TRUE(holds(q, Rational(1, 3))) << q.mid << " +- " << q.rad;
  EXPECT_FALSE(q.exact());
}

TEST(Bounds, SignsAndEndsAreProven) {
  // A difference of two images of nearly equal numbers: its sign is open.
  Bound v = Bound::of(Rational(1, 3));
  sub_mul(v, Bound::of(Rational(1)), Bound::of(Rational(333333333333333333, 999999999999999999)));
  EXPECT_FALSE(v.positive());
  EXPECT_FALSE(v.negative());
  EXPECT_LE(v.low(), 0.0);
  EXPECT_GE(v.high(), 0.0);
  // Exact zeros: nothing times them moves a value, and they stay exact.
  Bound w = Bound::of(Rational(5));
  sub_mul(w, Bound{}, Bound::unknown());
  EXPECT_TRUE(w.exact());
  EXPECT_EQ(w.mid, 5.0);
  // A known bound whose ends lie past the doubles holds any number there
  // (the check once handed an infinite end to GMP, which raised SIGFPE).
  const Bound edge{-1.5e308, 1.6e308};
  EXPECT_TRUE(edge.known());
  EXPECT_TRUE(holds(edge, Rational(-7)));
  EXPECT_THROW(Rational::exact_f64(-HUGE_VAL), std::exception);
  // Division by a number whose bound holds 0 knows nothing.
  Bound q = Bound::of(Rational(1));
  div_by(q, Bound{1e-300, 1.0});
  EXPECT_FALSE(q.known());
}
