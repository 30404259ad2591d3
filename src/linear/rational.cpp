#include "linear/rational.hpp"

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

// Binary GCD; gcd(0, b) = b.
u64 gcd(u64 a, u64 b) {
  if (a == 0) return b;
  if (b == 0) return a;
  int shift = __builtin_ctzll(a | b);
  a >>= __builtin_ctzll(a);
  do {
    b >>= __builtin_ctzll(b);
    if (a > b) std::swap(a, b);
    b -= a;
  } while (b != 0);
  return a << shift;
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
// caller then repeats the operation in GMP.
struct BigOps {
  // out = n/d for a reduced pair with d > 0.
  static bool store(Rational& out, i128 n, i128 d) {
    if (!fits(n) || d > kMax) return false;
    if (out.den_ == 0) out.free_big();
    out.num_ = static_cast<std::int64_t>(n);
    out.den_ = static_cast<std::int64_t>(d);
    return true;
  }

  // out = an/ad + bn/bd, |an|, |bn| <= 2^63, 0 < ad, bd < 2^63, both reduced.
  static bool add(Rational& out, i128 an, i128 ad, i128 bn, i128 bd) {
    if (ad == bd) {
      i128 n = an + bn;
      if (n == 0) return store(out, 0, 1);
      if (ad == 1) return store(out, n, 1);
      u64 g = gcd(static_cast<u64>(wide_magnitude(n) % static_cast<u64>(ad)), static_cast<u64>(ad));
      return store(out, n / g, ad / g);
    }
    if (ad == 1) return store(out, an * bd + bn, bd);  // reduced as bn/bd is
    if (bd == 1) return store(out, an + bn * ad, ad);
    u64 g = gcd(static_cast<u64>(ad), static_cast<u64>(bd));
    if (g == 1) {
      i128 n = an * bd + bn * ad;  // coprime to ad * bd unless zero
      if (n == 0) return store(out, 0, 1);
      return store(out, n, ad * bd);
    }
    i128 t = an * (bd / g) + bn * (ad / g);
    if (t == 0) return store(out, 0, 1);
    u64 g2 = gcd(static_cast<u64>(wide_magnitude(t) % g), g);
    i128 d = (ad / g) * (bd / g2);
    return store(out, t / g2, d);
  }

  // (pn, pd) = an/ad * bn/bd reduced, as 128-bit values.
  static void mul(i128 an, i128 ad, i128 bn, i128 bd, i128& pn, i128& pd) {
    if (an == 0 || bn == 0) {
      pn = 0;
      pd = 1;
      return;
    }
    u64 g1 = gcd(magnitude(an), static_cast<u64>(bd));
    u64 g2 = gcd(magnitude(bn), static_cast<u64>(ad));
    pn = (an / g1) * (bn / g2);
    pd = (ad / g2) * (bd / g1);
  }

  // (qn, qd) = (an/ad) / (bn/bd) reduced, bn != 0.
  static void div(i128 an, i128 ad, i128 bn, i128 bd, i128& qn, i128& qd) {
    if (an == 0) {
      qn = 0;
      qd = 1;
      return;
    }
    u64 g1 = gcd(magnitude(an), magnitude(bn));
    u64 g2 = gcd(static_cast<u64>(ad), static_cast<u64>(bd));
    qn = (an / g1) * (bd / g2);
    qd = (ad / g2) * (bn / g1);
    if (qd < 0) {
      qn = -qn;
      qd = -qd;
    }
  }

  static bool mul_store(Rational& out, const Rational& a, const Rational& b) {
    i128 n, d;
    mul(a.num_, a.den_, b.num_, b.den_, n, d);
    return store(out, n, d);
  }
  static bool div_store(Rational& out, const Rational& a, const Rational& b) {
    i128 n, d;
    div(a.num_, a.den_, b.num_, b.den_, n, d);
    return store(out, n, d);
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
  i128 bn = n, bd = d;
  u64 g = gcd(magnitude(bn), magnitude(bd));
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

Rational& Rational::operator=(const Rational& other) {
  if (this == &other) return *this;
  if (other.den_ != 0) {
    if (den_ == 0) free_big();
    num_ = other.num_;
    den_ = other.den_;
  } else if (den_ == 0) {
    mpq_set(big_, other.big_);
  } else {
    copy_big(other);
  }
  return *this;
}

void Rational::copy_big(const Rational& other) {
  auto fresh = std::make_unique<__mpq_struct>();
  mpq_init(fresh.get());
  mpq_set(fresh.get(), other.big_);
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
    std::int64_t n = mpz_get_si(mpq_numref(r));
    std::int64_t d = mpz_get_si(mpq_denref(r));
    if (den_ == 0) free_big();
    num_ = n;
    den_ = d;
    return;
  }
  if (den_ != 0) {
    auto fresh = std::make_unique<__mpq_struct>();
    mpq_init(fresh.get());
    big_ = fresh.release();
    den_ = 0;
  }
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

double Rational::to_f64() const {
  if (den_ != 0) return static_cast<double>(num_) / static_cast<double>(den_);
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

int Rational::sign() const {
  if (den_ == 0) return mpq_sgn(big_);
  return (num_ > 0) - (num_ < 0);
}

bool Rational::is_integer() const {
  if (den_ == 0) return mpz_cmp_ui(mpq_denref(big_), 1) == 0;
  return den_ == 1;
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
  if (a.den_ != 0 && b.den_ != 0 && BigOps::add(out, a.num_, a.den_, b.num_, b.den_)) return out;
  BigOps::big(out, a, b, &mpq_add);
  return out;
}

Rational operator-(const Rational& a, const Rational& b) {
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 && BigOps::add(out, a.num_, a.den_, -static_cast<i128>(b.num_), b.den_)) {
    return out;
  }
  BigOps::big(out, a, b, &mpq_sub);
  return out;
}

Rational operator*(const Rational& a, const Rational& b) {
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 && BigOps::mul_store(out, a, b)) return out;
  BigOps::big(out, a, b, &mpq_mul);
  return out;
}

Rational operator/(const Rational& a, const Rational& b) {
  if (b.is_zero()) zero_denominator();
  Rational out;
  if (a.den_ != 0 && b.den_ != 0 && BigOps::div_store(out, a, b)) return out;
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

void Rational::sub_mul(const Rational& f, const Rational& x) {
  if (den_ != 0 && f.den_ != 0 && x.den_ != 0) {
    i128 pn, pd;
    BigOps::mul(f.num_, f.den_, x.num_, x.den_, pn, pd);
    if (fits(pn) && pd <= kMax && BigOps::add(*this, num_, den_, -pn, pd)) return;
  }
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
  if (den_ != 0 && p.den_ != 0 && BigOps::div_store(*this, *this, p)) return;
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
