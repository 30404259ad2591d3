#include <gtest/gtest.h>
#include <gmpxx.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "core/error.hpp"
#include "linear/product_sum.hpp"
#include "linear/rational.hpp"

using mivex::Stop;
using mivex::linear::Rational;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

mpq_class ref(const Rational& r) { return mpq_class(r.text()); }

gmp_randstate_t& state() {
  static gmp_randstate_t s;
  static const bool ready = (gmp_randinit_default(s), gmp_randseed_ui(s, 7), true);
  (void)ready;
  return s;
}

// Same value, and in the two words exactly when the reduced value fits.
void expect_matches(const Rational& r, const mpq_class& expected) {
  mpq_class e = expected;
  e.canonicalize();
  ASSERT_EQ(ref(r), e) << r.text();
  bool fits = e.get_num().fits_slong_p() && e.get_den().fits_slong_p();
  ASSERT_EQ(r.is_small(), fits) << r.text();
  if (fits) {
    EXPECT_EQ(r.num(), e.get_num().get_si());
    EXPECT_EQ(r.den(), e.get_den().get_si());
  }
}

void expect_stop(auto&& action, const char* message) {
  try {
    action();
    ADD_FAILURE() << "expected a stop";
  } catch (const Stop& stop) {
    EXPECT_STREQ(stop.what(), message);
  }
}

}  // namespace

TEST(Rational, NormalisesAndStopsOnZeroDenominator) {
  Rational a(4, -6);
  EXPECT_EQ(a.num(), -2);
  EXPECT_EQ(a.den(), 3);
  Rational z(0, -5);
  EXPECT_EQ(z.num(), 0);
  EXPECT_EQ(z.den(), 1);
  expect_stop([] { Rational(3, 0); }, "Rational denominator cannot be zero");
  expect_stop([] { (void)(Rational(1, 2) / Rational(0)); }, "Rational denominator cannot be zero");
  Rational r(1);
  expect_stop([&] { r.div_by(Rational()); }, "Rational denominator cannot be zero");
}

TEST(Rational, ArithmeticExamples) {
  EXPECT_EQ(Rational(1, 2) + Rational(1, 3), Rational(5, 6));
  EXPECT_EQ((Rational(1, 2) - Rational(1, 2)).den(), 1);
  EXPECT_EQ(Rational(2, 3) * Rational(3, 4), Rational(1, 2));
  EXPECT_EQ(Rational(1, 2) / Rational(-1, 4), Rational(-2));
  Rational negated_zero = -Rational(0);
  EXPECT_EQ(negated_zero.num(), 0);
  EXPECT_EQ(negated_zero.den(), 1);
  EXPECT_TRUE(Rational(-1, 2) < Rational(1, 3));
  EXPECT_FALSE(Rational(1, 2) < Rational(1, 2));
  EXPECT_TRUE(Rational(1, 3) < Rational(1, 2));
  EXPECT_EQ(Rational(1, 3).to_f64(), 1.0 / 3.0);
}

TEST(Rational, FromF64) {
  auto expect = [](double x, std::int64_t n, std::int64_t d) {
    Rational r = Rational::from_f64(x);
    EXPECT_EQ(r.num(), n) << x;
    EXPECT_EQ(r.den(), d) << x;
  };
  expect(-0.0, 0, 1);
  expect(7.0, 7, 1);
  expect(-2.5, -5, 2);
  expect(0.0000000004, 0, 1);
  expect(0.0000000005, 1, 1000000000);
  expect(1e30, kMax, 1);
  expect(-1e30, kMin, 1);
  expect(std::numeric_limits<double>::infinity(), kMax, 1000000000);
  expect(-std::numeric_limits<double>::infinity(), kMin / 512, 1000000000 / 512);
  expect(std::nan(""), 0, 1);
  expect(0.5, 1, 2);
  expect(0.1, 1, 10);
  expect(1.0 / 3.0, 333333333, 1000000000);
  expect(0.1234567891, 123456789, 1000000000);
}

// Every operation against GMP on operands that straddle the 64-bit edge:
// results are exact, and in the two words exactly when they fit.
TEST(Rational, MatchesGmpAcrossPromotion) {
  std::mt19937_64 rng(12345);
  std::vector<std::int64_t> pool = {0, 1, -1, 2, 3, 7, 1000000000, kMax, kMin, kMin + 1, kMax - 1,
                                    (std::int64_t{1} << 62), -(std::int64_t{1} << 62),
                                    3037000499, 3037000507, 4294967291, 4294967311};
  auto pick = [&]() -> std::int64_t {
    switch (rng() % 4) {
      case 0: return pool[rng() % pool.size()];
      case 1: return static_cast<std::int64_t>(rng() % 2000) - 1000;
      case 2: return static_cast<std::int64_t>(rng() >> (rng() % 64)) * ((rng() & 1) ? 1 : -1);
      default: return static_cast<std::int64_t>(rng());
    }
  };
  auto pick_rational = [&](std::vector<Rational>& made) -> Rational {
    if (!made.empty() && rng() % 3 == 0) return made[rng() % made.size()];  // promoted values too
    std::int64_t d = pick();
    while (d == 0) d = pick();
    return Rational(pick(), d);
  };
  // n / d itself, reduced with the sign on the numerator.
  for (int round = 0; round < 20000; ++round) {
    const std::int64_t n = pick();
    std::int64_t d = pick();
    while (d == 0) d = pick();
    mpq_class q{mpz_class(static_cast<long>(n)), mpz_class(static_cast<long>(d))};
    q.canonicalize();
    expect_matches(Rational(n, d), q);
  }
  std::vector<Rational> made;
  for (int round = 0; round < 20000; ++round) {
    Rational a = pick_rational(made), b = pick_rational(made), c = pick_rational(made);
    mpq_class ra = ref(a), rb = ref(b), rc = ref(c);
    Rational sum = a + b, diff = a - b, prod = a * b, neg = -a;
    expect_matches(sum, ra + rb);
    expect_matches(diff, ra - rb);
    expect_matches(prod, ra * rb);
    expect_matches(neg, -ra);
    if (!b.is_zero()) {
      expect_matches(a / b, ra / rb);
      Rational q = a;
      q.div_by(b);
      expect_matches(q, ra / rb);
    }
    Rational fused = c;
    fused.sub_mul(a, b);
    expect_matches(fused, rc - ra * rb);
    EXPECT_EQ(a < b, ra < rb);
    EXPECT_EQ(a == b, ra == rb);
    EXPECT_EQ(a.sign(), sgn(ra));
    EXPECT_EQ(a.is_integer(), ra.get_den() == 1);
    if (rng() % 8 == 0) made.push_back(prod);
    if (made.size() > 64) made.erase(made.begin());
  }
}

// The fused c - f x takes shortcuts when a factor is an integer: every
// shape of integer and fraction operands, zeros, units and extremes included.
TEST(Rational, SubMulWithIntegerFactorsMatchesGmp) {
  std::mt19937_64 rng(8128);
  const std::vector<std::int64_t> pool = {0, 1, -1, 2, -2, 6, 12, 35, 1024, 3037000499, kMax, kMin, kMin + 1};
  auto pick = [&]() -> std::int64_t {
    switch (rng() % 3) {
      case 0: return pool[rng() % pool.size()];
      case 1: return static_cast<std::int64_t>(rng() % 200) - 100;
      default: return static_cast<std::int64_t>(rng() >> (rng() % 64)) * ((rng() & 1) ? 1 : -1);
    }
  };
  auto number = [&](bool integer) {
    if (integer) return Rational(pick());
    std::int64_t d = pick();
    while (d == 0) d = pick();
    return Rational(pick(), d);
  };
  for (int round = 0; round < 40000; ++round) {
    const int shape = static_cast<int>(rng() % 8);
    Rational c = number(shape & 1), f = number(shape & 2), x = number(shape & 4);
    if (rng() % 4 == 0) c = Rational(c.is_small() ? c.num() : 3, x.is_small() ? x.den() : 1);  // shared denominators
    const mpq_class expected = ref(c) - ref(f) * ref(x);
    Rational fused = c;
    fused.sub_mul(f, x);
    ASSERT_NO_FATAL_FAILURE(expect_matches(fused, expected)) << c.text() << " - " << f.text() << " * " << x.text();
  }
}

// Values just past the two inline words (numerators and denominators of up
// to two machine words) take their own word arithmetic in c - f x, wider
// ones GMP's: every size around 64, 128 and 256 bits, shared and dividing
// denominators, powers of two, and c itself as a factor.
TEST(Rational, SubMulOfWordPairValuesMatchesGmp) {
  std::mt19937_64 rng(4093);
  auto natural = [&](int bits) {
    mpz_class v;
    switch (rng() % 6) {
      case 0: v = 1; v <<= bits; v -= rng() % 2; break;  // 2^b and 2^b - 1
      case 1: v = mpz_class(static_cast<unsigned long>(rng() | 1)) << bits; break;  // many twos
      default:
        mpz_urandomb(v.get_mpz_t(), state(), static_cast<mp_bitcnt_t>(bits));
        mpz_setbit(v.get_mpz_t(), static_cast<mp_bitcnt_t>(bits > 0 ? bits - 1 : 0));
    }
    return v;
  };
  auto bits = [&]() {
    const int edges[] = {1, 2, 31, 62, 63, 64, 65, 96, 126, 127, 128, 129, 140, 191, 192, 193, 255, 256, 257};
    return rng() % 2 ? edges[rng() % 19] : static_cast<int>(rng() % (rng() % 2 ? 141 : 270));
  };
  auto value = [&](const mpz_class* share) {
    mpq_class q(natural(bits()), share != nullptr ? *share : natural(bits()) + 1);
    if (rng() % 2) q = -q;
    if (rng() % 16 == 0) q = 0;
    q.canonicalize();
    return q;
  };
  for (int round = 0; round < 60000; ++round) {
    mpq_class f = value(nullptr), x = value(nullptr), c;
    switch (rng() % 4) {
      case 0: c = value(&x.get_den()); break;  // c and x share a denominator
      case 1: {                              // c's denominator divides the product's
        mpz_class d = f.get_den() * x.get_den();
        c = value(&d);
        break;
      }
      default: c = value(nullptr);
    }
    Rational rc = Rational::from_mpq(c.get_mpq_t()), rf = Rational::from_mpq(f.get_mpq_t()),
             rx = Rational::from_mpq(x.get_mpq_t());
    Rational fused = rc;
    fused.sub_mul(rf, rx);
    ASSERT_NO_FATAL_FAILURE(expect_matches(fused, c - f * x)) << c << " - " << f << " * " << x;
    Rational self = rc;  // the value itself as a factor
    self.sub_mul(self, rx);
    ASSERT_NO_FATAL_FAILURE(expect_matches(self, c - c * x)) << c << " - " << c << " * " << x;
  }
}

TEST(Rational, ProductsOfLargePrimesStayExact) {
  // 2^61 - 1 and 2^31 - 1 are prime; their powers overflow at once.
  const std::int64_t p = (std::int64_t{1} << 61) - 1, q = 2147483647;
  Rational x(p, q), acc(1);
  mpq_class rx{mpz_class(p), mpz_class(q)}, racc{1};
  for (int i = 0; i < 12; ++i) {
    acc = acc * x;
    racc *= rx;
    expect_matches(acc, racc);
  }
  for (int i = 0; i < 12; ++i) acc = acc / x;  // back down to 1, demoted
  EXPECT_TRUE(acc.is_small());
  EXPECT_EQ(acc, Rational(1));
  // kMin / -1 does not fit; negating it back does.
  Rational big = Rational(kMin) / Rational(-1);
  EXPECT_FALSE(big.is_small());
  EXPECT_EQ(big.text(), "9223372036854775808");
  EXPECT_EQ(-big, Rational(kMin));
  EXPECT_TRUE((-big).is_small());
}

TEST(Rational, ToF64OfPromotedValuesRoundsToNearest) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    Rational r(static_cast<std::int64_t>(rng()) | 1, static_cast<std::int64_t>(rng() >> 1) | 1);
    for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k) r = r * Rational(static_cast<std::int64_t>(rng() >> 3) | 1, kMax);
    if (r.is_small()) continue;
    double d = r.to_f64();
    mpq_class exact = ref(r), here(d);
    mpq_class up(std::nextafter(d, INFINITY)), down(std::nextafter(d, -INFINITY));
    mpq_class err = abs(exact - here);
    EXPECT_LE(err, abs(exact - up));
    EXPECT_LE(err, abs(exact - down));
  }
}

// A sum of products over one running denominator (word terms summed apart
// or not) equals the reduced sum, in the words when it fits: terms that
// share their denominator, divide it, are multiples of it or are
// unrelated, small and promoted, cancelling to zero and to integers.
TEST(ProductSum, MatchesReducedSums) {
  std::mt19937_64 rng(2718);
  using Words = mivex::linear::ProductSum::Words;
  mivex::linear::ProductSum sum, apart(Words::Apart);
  auto big = [&](int bits) -> mpz_class {
    mpz_class v;
    mpz_urandomb(v.get_mpz_t(), state(), static_cast<mp_bitcnt_t>(bits));
    return v + 1;
  };
  for (int round = 0; round < 3000; ++round) {
    const mpz_class base = big(1 + static_cast<int>(rng() % 150));
    std::vector<mpq_class> a, b;
    const int terms = static_cast<int>(rng() % 12);
    for (int t = 0; t < terms; ++t) {
      mpz_class den;
      switch (rng() % 4) {
        case 0: den = base; break;
        case 1: den = base * static_cast<unsigned long>(1 + rng() % 5); break;
        case 2: den = static_cast<unsigned long>(1 + rng() % 7); break;
        default: den = big(1 + static_cast<int>(rng() % 100)); break;
      }
      mpz_class num = big(1 + static_cast<int>(rng() % 120)) - big(1 + static_cast<int>(rng() % 120));
      if (rng() % 8 == 0) num = 0;
      a.emplace_back(num, den);
      a.back().canonicalize();
      b.emplace_back(static_cast<long>(rng() % 41) - 20, static_cast<long>(1 + rng() % 9));
      b.back().canonicalize();
    }
    if (terms > 0 && rng() % 4 == 0) {  // a last term that cancels the rest
      mpq_class rest = 0;
      for (int t = 0; t + 1 < terms; ++t) rest += a[t] * b[t];
      a.back() = -rest - static_cast<long>(rng() % 3);
      b.back() = 1;
    }
    sum.clear();
    apart.clear();
    mpq_class expected = 0;
    for (int t = 0; t < terms; ++t) {
      sum.add(Rational::from_mpq(a[t].get_mpq_t()), Rational::from_mpq(b[t].get_mpq_t()));
      apart.add(Rational::from_mpq(a[t].get_mpq_t()), Rational::from_mpq(b[t].get_mpq_t()));
      expected += a[t] * b[t];
    }
    ASSERT_NO_FATAL_FAILURE(expect_matches(sum.value(), expected)) << "round " << round;
    ASSERT_NO_FATAL_FAILURE(expect_matches(apart.value(), expected)) << "round " << round << ", words apart";
  }
}

// Word terms summed apart, in words, until that sum outgrows them: the
// terms after it, in words or not, must still count, and so must a wide
// term between word ones. A fresh sum is zero.
TEST(ProductSum, WordTermsPastTheWords) {
  using mivex::linear::ProductSum;
  EXPECT_EQ(ProductSum(ProductSum::Words::Apart).value(), Rational(0));
  std::mt19937_64 rng(314);
  for (int round = 0; round < 2000; ++round) {
    ProductSum sum(ProductSum::Words::Apart);
    mpq_class expected = 0;
    const int terms = 1 + static_cast<int>(rng() % 10);
    for (int t = 0; t < terms; ++t) {
      // Near the top of a word, or a small fraction, or (rarely) wide.
      mpq_class a(static_cast<long>(rng() >> 2) * (rng() % 2 ? 1 : -1), static_cast<long>(1 + rng() % 3));
      mpq_class b(static_cast<long>(1 + rng() % 5), static_cast<long>(1 + rng() % 4));
      if (rng() % 3 == 0) a = mpq_class(static_cast<long>(rng() % 9) - 4, static_cast<long>(1 + rng() % 6));
      if (rng() % 10 == 0) a *= mpq_class(mpz_class("340282366920938463463374607431768211507"));
      a.canonicalize();
      b.canonicalize();
      sum.add(Rational::from_mpq(a.get_mpq_t()), Rational::from_mpq(b.get_mpq_t()));
      expected += a * b;
    }
    ASSERT_NO_FATAL_FAILURE(expect_matches(sum.value(), expected)) << "round " << round;
  }
}
