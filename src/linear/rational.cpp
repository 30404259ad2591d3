#include "linear/rational.hpp"
#include "linear/rational_wide.hpp"
#include "linear/word_div.hpp"
#include "linear/word_gcd.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>

#include "core/error.hpp"

namespace mivex::linear {

namespace {

using i128 = __int128;
using u128 = unsigned __int128;
using u64 = std::uint64_t;

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

[[noreturn]] void zero_denominator() { stop("Rational denominator cannot be zero"); }

// |v| for |v| <= 2^63 and for the wider sums (|v| < 2^127).
u64 magnitude(i128 v) { return static_cast<u64>(v < 0 ? -v : v); }
u128 wide_magnitude(i128 v) { return static_cast<u128>(v < 0 ? -v : v); }
// v / d for d > 0 dividing v.
i128 divide_wide(i128 v, u64 d) {
  const auto q = static_cast<i128>(div_word(wide_magnitude(v), d));
  return v < 0 ? -q : q;
}

bool fits(i128 v) { return v >= kMin && v <= kMax; }

// GMP scratch values for the promoted path, one set per thread, so that the
// arithmetic on promoted values allocates only when a result needs room.
struct Scratch {
  mpq_t a, b, t, r;
  mpz_t z;
  Scratch() {
    mpq_init(a);
    mpq_init(b);
    mpq_init(t);
    mpq_init(r);
    mpz_init(z);
  }
  ~Scratch() {
    mpq_clear(a);
    mpq_clear(b);
    mpq_clear(t);
    mpq_clear(r);
    mpz_clear(z);
  }
};

Scratch& scratch() {
  static thread_local Scratch s;
  return s;
}

void set_mpz(mpz_ptr out, i128 v) {
  u128 m = v < 0 ? static_cast<u128>(-(v + 1)) + 1 : static_cast<u128>(v);
  u64 words[2] = {static_cast<u64>(m), static_cast<u64>(m >> 64)};
  mpz_import(out, 2, -1, sizeof(u64), 0, 0, words);
  if (v < 0) mpz_neg(out, out);
}

}  // namespace

// The word-sized arithmetic. Each function returns false, leaving `out`
// untouched, when the exact result does not fit in the two words; the
// caller then tries a wider path. First all in 64 bits with one reduction at
// the end (the common case: small numbers), then with 128-bit intermediates
// and early cancellation, then in GMP.
struct BigOps {
  // out = n/d for a reduced pair with d > 0.
  static bool store(Rational& out, i128 n, i128 d) {
    if (!fits(n) || d > kMax) return false;
    out.set_words(static_cast<std::int64_t>(n), static_cast<std::int64_t>(d));
    return true;
  }

  // out = n/d reduced, d > 0.
  static bool store_reduced(Rational& out, std::int64_t n, std::int64_t d) {
    if (n == 0) return store(out, 0, 1);
    if (d != 1) {
      auto g = static_cast<std::int64_t>(word_gcd(magnitude(n), static_cast<u64>(d)));
      n /= g;
      d /= g;
    }
    return store(out, n, d);
  }

  static bool add64(Rational& out, std::int64_t an, std::int64_t ad, std::int64_t bn, std::int64_t bd) {
    std::int64_t n, d, x, y;
    if (ad == bd) {
      if (__builtin_add_overflow(an, bn, &n)) return false;
      return store_reduced(out, n, ad);
    }
    if (__builtin_mul_overflow(an, bd, &x) || __builtin_mul_overflow(bn, ad, &y) ||
        __builtin_add_overflow(x, y, &n) || __builtin_mul_overflow(ad, bd, &d)) {
      return false;
    }
    return store_reduced(out, n, d);
  }

  // out = an/ad + bn/bd, |an|, |bn| <= 2^63, 0 < ad, bd < 2^63, both reduced.
  static bool add128(Rational& out, i128 an, std::int64_t ad, i128 bn, std::int64_t bd) {
    if (ad == bd) {
      i128 n = an + bn;
      if (n == 0) return store(out, 0, 1);
      if (ad == 1) return store(out, n, 1);
      u64 g = word_gcd(mod_word(wide_magnitude(n), static_cast<u64>(ad)), static_cast<u64>(ad));
      return store(out, divide_wide(n, g), ad / static_cast<std::int64_t>(g));
    }
    if (ad == 1) return store(out, an * bd + bn, bd);  // reduced as bn/bd is
    if (bd == 1) return store(out, an + bn * ad, ad);
    auto g = static_cast<std::int64_t>(word_gcd(static_cast<u64>(ad), static_cast<u64>(bd)));
    if (g == 1) {
      i128 n = an * bd + bn * ad;  // coprime to ad * bd unless zero
      if (n == 0) return store(out, 0, 1);
      return store(out, n, static_cast<i128>(ad) * bd);
    }
    std::int64_t ad_g = ad / g, bd_g = bd / g;
    i128 t = an * bd_g + bn * ad_g;
    if (t == 0) return store(out, 0, 1);
    auto g2 = static_cast<std::int64_t>(word_gcd(mod_word(wide_magnitude(t), static_cast<u64>(g)), static_cast<u64>(g)));
    return store(out, g2 == 1 ? t : divide_wide(t, static_cast<u64>(g2)), static_cast<i128>(ad_g) * (bd / g2));
  }

  // (pn, pd) = an/ad * bn/bd reduced, as 128-bit values.
  static void mul128(std::int64_t an, std::int64_t ad, std::int64_t bn, std::int64_t bd, i128& pn, i128& pd) {
    if (an == 0 || bn == 0) {
      pn = 0;
      pd = 1;
      return;
    }
    // Both divisors are at most a denominator, so they fit and are positive.
    auto g1 = static_cast<std::int64_t>(word_gcd(magnitude(an), static_cast<u64>(bd)));
    auto g2 = static_cast<std::int64_t>(word_gcd(magnitude(bn), static_cast<u64>(ad)));
    pn = static_cast<i128>(an / g1) * (bn / g2);
    pd = static_cast<i128>(ad / g2) * (bd / g1);
  }

  static bool mul(Rational& out, const Rational& a, const Rational& b) {
    std::int64_t n, d;
    if (!__builtin_mul_overflow(a.num_, b.num_, &n) && !__builtin_mul_overflow(a.den_, b.den_, &d)) {
      return store_reduced(out, n, d);
    }
    i128 pn, pd;
    mul128(a.num_, a.den_, b.num_, b.den_, pn, pd);
    return store(out, pn, pd);
  }

  static bool div(Rational& out, const Rational& a, const Rational& b) {
    std::int64_t n, d;
    if (!__builtin_mul_overflow(a.num_, b.den_, &n) && !__builtin_mul_overflow(a.den_, b.num_, &d) &&
        n != kMin && d != kMin) {
      return d < 0 ? store_reduced(out, -n, -d) : store_reduced(out, n, d);
    }
    if (a.num_ == 0) return store(out, 0, 1);
    u64 g1 = word_gcd(magnitude(a.num_), magnitude(b.num_));
    auto g2 = static_cast<std::int64_t>(word_gcd(static_cast<u64>(a.den_), static_cast<u64>(b.den_)));
    i128 qn = (static_cast<i128>(a.num_) / g1) * (b.den_ / g2);
    i128 qd = (a.den_ / g2) * (static_cast<i128>(b.num_) / g1);
    return qd < 0 ? store(out, -qn, -qd) : store(out, qn, qd);
  }

  // out = c - f * x
  static bool sub_mul(Rational& out, const Rational& c, const Rational& f, const Rational& x) {
    std::int64_t pn, pd, l, r, n, d;
    if (!__builtin_mul_overflow(f.num_, x.num_, &pn) && !__builtin_mul_overflow(f.den_, x.den_, &pd) &&
        !__builtin_mul_overflow(c.num_, pd, &l) && !__builtin_mul_overflow(pn, c.den_, &r) &&
        !__builtin_sub_overflow(l, r, &n) && !__builtin_mul_overflow(c.den_, pd, &d)) {
      return store_reduced(out, n, d);
    }
    i128 wn, wd;
    mul128(f.num_, f.den_, x.num_, x.den_, wn, wd);
    return fits(wn) && wd <= kMax && add128(out, c.num_, c.den_, -wn, static_cast<std::int64_t>(wd));
  }

  // The GMP forms.
  using MpqOp = void (*)(mpq_ptr, mpq_srcptr, mpq_srcptr);
  static void big(Rational& out, const Rational& a, const Rational& b, MpqOp op) {
    Scratch& s = scratch();
    mpq_srcptr pa = a.den_ == 0 ? a.big_ : (a.load(s.a), s.a);
    mpq_srcptr pb = b.den_ == 0 ? b.big_ : (b.load(s.b), s.b);
    op(s.r, pa, pb);
    out.assign(s.r);
  }
};

Rational::Rational(std::int64_t n, std::int64_t d) : num_(0), den_(1) {
  if (d == 0) zero_denominator();
  if (n != INT64_MIN && d != INT64_MIN) {
    // Both fit a word with their signs: word division, no 128-bit one.
    const u64 g = word_gcd(static_cast<u64>(n < 0 ? -n : n), static_cast<u64>(d < 0 ? -d : d));
    const std::int64_t sign = d < 0 ? -1 : 1;
    num_ = sign * (n / static_cast<std::int64_t>(g));
    den_ = sign * (d / static_cast<std::int64_t>(g));
    return;
  }
  i128 bn = n, bd = d;
  u64 g = word_gcd(magnitude(bn), magnitude(bd));
  if (bd < 0) {
    bn = -bn;
    bd = -bd;
  }
  bn /= g;
  bd /= g;
  if (!BigOps::store(*this, bn, bd)) {
    Scratch& s = scratch();
    set_mpz(mpq_numref(s.r), bn);
    set_mpz(mpq_denref(s.r), bd);
    assign(s.r);
  }
}

Rational& Rational::assign_slow(const Rational& other) {
  if (this == &other) return *this;
  if (other.den_ != 0) {
    set_words(other.num_, other.den_);
  } else if (den_ == 0) {
    mpq_set(big_, other.big_);
  } else {
    copy_big(other);
  }
  return *this;
}

void Rational::copy_big(const Rational& other) {
  make_big();
  mpq_set(big_, other.big_);
}

void Rational::make_big() {
  auto fresh = std::make_unique<__mpq_struct>();
  mpq_init(fresh.get());
  big_ = fresh.release();
  den_ = 0;
}

void Rational::free_big() {
  mpq_clear(big_);
  delete big_;
  num_ = 0;
  den_ = 1;
}

void Rational::assign(mpq_ptr r) {
  if (mpz_fits_slong_p(mpq_numref(r)) && mpz_fits_slong_p(mpq_denref(r))) {
    set_words(mpz_get_si(mpq_numref(r)), mpz_get_si(mpq_denref(r)));
    return;
  }
  if (den_ != 0) make_big();
  mpq_swap(big_, r);
}

void Rational::load(mpq_ptr out) const {
  if (den_ == 0) {
    mpq_set(out, big_);
  } else {
    mpz_set_si(mpq_numref(out), num_);
    mpz_set_si(mpq_denref(out), den_);
  }
}

Rational Rational::from_mpq(mpq_srcptr value) {
  Rational out;
  Scratch& s = scratch();
  mpq_set(s.r, value);
  out.assign(s.r);
  return out;
}

Rational Rational::from_f64(double x) {
  auto saturate = [](double v) -> std::int64_t {
    if (std::isnan(v)) return 0;
    if (v >= 9223372036854775808.0) return kMax;
    if (v < -9223372036854775808.0) return kMin;
    return static_cast<std::int64_t>(v);
  };
  if (x == 0.0) return Rational();
  if (x - std::trunc(x) == 0.0) return Rational(saturate(x));
  double y = x * 1e9;
  double rounded = std::trunc(y + std::copysign(0.49999999999999994, y));
  return Rational(saturate(rounded), 1000000000);
}

Rational Rational::exact_f64(double x) {
  // GMP raises SIGFPE on infinities and NaN, which would end the process.
  if (!std::isfinite(x)) stop("exact value of a double that is not finite");
  Scratch& s = scratch();
  mpq_set_d(s.r, x);
  Rational out;
  out.assign(s.r);
  return out;
}

double Rational::big_to_f64() const {
  // Round |num| / den to 53 bits: take a quotient of 55 or 56 bits, then round
  // it with the remainder as a sticky bit.
  Scratch& s = scratch();
  mpz_ptr n = mpq_numref(s.t);
  mpz_ptr d = mpq_denref(s.t);
  mpz_abs(n, mpq_numref(big_));
  mpz_set(d, mpq_denref(big_));
  long shift = 55 - (static_cast<long>(mpz_sizeinbase(n, 2)) - static_cast<long>(mpz_sizeinbase(d, 2)));
  if (shift > 0) mpz_mul_2exp(n, n, static_cast<mp_bitcnt_t>(shift));
  if (shift < 0) mpz_mul_2exp(d, d, static_cast<mp_bitcnt_t>(-shift));
  mpz_tdiv_qr(s.z, n, n, d);
  bool sticky = mpz_sgn(n) != 0;
  u64 q = mpz_get_ui(s.z);  // below 2^57
  int extra = 64 - __builtin_clzll(q) - 53;
  u64 keep = q >> extra;
  u64 rest = q & ((u64{1} << extra) - 1);
  u64 half = u64{1} << (extra - 1);
  if (rest > half || (rest == half && (sticky || (keep & 1) != 0))) ++keep;
  double magnitude_value = std::ldexp(static_cast<double>(keep), extra - static_cast<int>(shift));
  return mpq_sgn(big_) < 0 ? -magnitude_value : magnitude_value;
}

int Rational::big_sign() const { return mpq_sgn(big_); }

bool Rational::is_integer() const {
  if (den_ == 0) return mpz_cmp_ui(mpq_denref(big_), 1) == 0;
  return den_ == 1;
}

void Rational::residues(std::uint64_t p, std::uint64_t& num, std::uint64_t& den) const {
  if (den_ == 0) {
    num = mpz_fdiv_ui(mpq_numref(big_), p);
    den = mpz_fdiv_ui(mpq_denref(big_), p);
    return;
  }
  const std::uint64_t r = magnitude(num_) % p;
  num = num_ < 0 && r != 0 ? p - r : r;
  den = static_cast<std::uint64_t>(den_) % p;
}

std::string Rational::text() const {
  if (den_ != 0) {
    return den_ == 1 ? std::to_string(num_) : std::to_string(num_) + "/" + std::to_string(den_);
  }
  std::unique_ptr<char, void (*)(void*)> digits(mpq_get_str(nullptr, 10, big_), std::free);
  return std::string(digits.get());
}

Rational operator+(const Rational& a, const Rational& b) {
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 &&
      (BigOps::add64(out, a.num_, a.den_, b.num_, b.den_) || BigOps::add128(out, a.num_, a.den_, b.num_, b.den_))) {
    return out;
  }
  BigOps::big(out, a, b, &mpq_add);
  return out;
}

Rational operator-(const Rational& a, const Rational& b) {
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 &&
      ((b.num_ != kMin && BigOps::add64(out, a.num_, a.den_, -b.num_, b.den_)) ||
       BigOps::add128(out, a.num_, a.den_, -static_cast<i128>(b.num_), b.den_))) {
    return out;
  }
  BigOps::big(out, a, b, &mpq_sub);
  return out;
}

Rational operator*(const Rational& a, const Rational& b) {
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 && BigOps::mul(out, a, b)) return out;
  BigOps::big(out, a, b, &mpq_mul);
  return out;
}

Rational operator/(const Rational& a, const Rational& b) {
  if (b.is_zero()) zero_denominator();
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 && BigOps::div(out, a, b)) return out;
  BigOps::big(out, a, b, &mpq_div);
  return out;
}

Rational Rational::operator-() const {
  Rational out;
  if (den_ != 0 && BigOps::store(out, -static_cast<i128>(num_), den_)) return out;
  Scratch& s = scratch();
  load(s.r);
  mpq_neg(s.r, s.r);
  out.assign(s.r);
  return out;
}

void Rational::sub_mul_general(const Rational& f, const Rational& x) {
  if (den_ != 0 && f.den_ != 0 && x.den_ != 0 && BigOps::sub_mul(*this, *this, f, x)) return;
  if (wide_sub_mul(*this, f, x)) return;
  Scratch& s = scratch();
  mpq_srcptr pf = f.den_ == 0 ? f.big_ : (f.load(s.a), s.a);
  mpq_srcptr px = x.den_ == 0 ? x.big_ : (x.load(s.b), s.b);
  mpq_mul(s.t, pf, px);
  if (den_ == 0) {
    mpq_sub(big_, big_, s.t);
    if (mpz_fits_slong_p(mpq_numref(big_)) && mpz_fits_slong_p(mpq_denref(big_))) {
      mpq_swap(s.r, big_);
      assign(s.r);
    }
    return;
  }
  load(s.r);
  mpq_sub(s.r, s.r, s.t);
  assign(s.r);
}

void Rational::div_by(const Rational& p) {
  if (p.is_zero()) zero_denominator();
  if (den_ != 0 && p.den_ != 0 && BigOps::div(*this, *this, p)) return;
  if (den_ == 0 && p.den_ == 0) {
    mpq_div(big_, big_, p.big_);
    if (mpz_fits_slong_p(mpq_numref(big_)) && mpz_fits_slong_p(mpq_denref(big_))) {
      Scratch& s = scratch();
      mpq_swap(s.r, big_);
      assign(s.r);
    }
    return;
  }
  BigOps::big(*this, *this, p, &mpq_div);
}

bool operator==(const Rational& a, const Rational& b) {
  if (a.den_ != 0 || b.den_ != 0) return a.den_ == b.den_ && a.num_ == b.num_;
  return mpq_equal(a.big_, b.big_) != 0;
}

std::strong_ordering operator<=>(const Rational& a, const Rational& b) {
  if (a.den_ != 0 && b.den_ != 0) {
    if (a.den_ == b.den_) return a.num_ <=> b.num_;
    i128 l = static_cast<i128>(a.num_) * b.den_;
    i128 r = static_cast<i128>(b.num_) * a.den_;
    return l < r ? std::strong_ordering::less
                 : (l > r ? std::strong_ordering::greater : std::strong_ordering::equal);
  }
  Scratch& s = scratch();
  mpq_srcptr pa = a.den_ == 0 ? a.big_ : (a.load(s.a), s.a);
  mpq_srcptr pb = b.den_ == 0 ? b.big_ : (b.load(s.b), s.b);
  int c = mpq_cmp(pa, pb);
  return c < 0 ? std::strong_ordering::less
               : (c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
}

}  // namespace mivex::linear
