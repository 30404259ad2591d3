// c - f * x for values just past the two inline words: numerators and
// denominators of at most two machine words each, as the exact simplex's
// values mostly are. Word arithmetic on the stack takes the place of GMP's
// rational layer (its copies, allocations and general-size dispatch); the
// steps are those of a reduced rational sum, so the result is the same
// reduced value the GMP path gives.
#include <cstdint>
#include <utility>

#include "linear/rational_wide.hpp"
#include "linear/word_div.hpp"
#include "linear/word_gcd.hpp"

namespace mivex::linear {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;
using Limb = mp_limb_t;
static_assert(sizeof(Limb) == sizeof(u64), "64-bit limbs");

constexpr int kMaxLimbs = 8;

// A natural number of at most kMaxLimbs words, least significant first;
// size 0 for zero.
struct Nat {
  Limb w[kMaxLimbs];
  int size = 0;

  static Nat of(u128 v) {
    Nat n;
    n.w[0] = static_cast<Limb>(v);
    n.w[1] = static_cast<Limb>(v >> 64);
    n.size = n.w[1] != 0 ? 2 : (n.w[0] != 0 ? 1 : 0);
    return n;
  }
  bool fits_two() const { return size <= 2; }
  u128 two() const {
    if (size == 0) return 0;
    u128 v = w[0];
    if (size == 2) v |= static_cast<u128>(w[1]) << 64;
    return v;
  }
  void trim() {
    while (size > 0 && w[size - 1] == 0) --size;
  }
};

// a / m and a mod m, m > 0, without the wide division where words do.
u128 quotient(u128 a, u128 m) {
  if (m == 1) return a;
  if ((m >> 64) == 0) return div_word(a, static_cast<u64>(m));
  return a / m;
}
u128 remainder(u128 a, u128 m) {
  if ((m >> 64) == 0) return mod_word(a, static_cast<u64>(m));
  return a % m;
}

Nat mul(const Nat& a, const Nat& b) {
  Nat r;
  if (a.size == 0 || b.size == 0) return r;
  if (a.size <= 2 && b.size <= 2) {
    // Straight-line products for the sizes nearly every call has.
    const u128 p00 = static_cast<u128>(a.w[0]) * b.w[0];
    r.w[0] = static_cast<u64>(p00);
    if (a.size == 1 && b.size == 1) {
      r.w[1] = static_cast<u64>(p00 >> 64);
      r.size = 2;
    } else if (a.size == 2 && b.size == 2) {
      const u128 p01 = static_cast<u128>(a.w[0]) * b.w[1], p10 = static_cast<u128>(a.w[1]) * b.w[0];
      const u128 p11 = static_cast<u128>(a.w[1]) * b.w[1];
      const u128 mid = (p00 >> 64) + static_cast<u64>(p01) + static_cast<u64>(p10);
      r.w[1] = static_cast<u64>(mid);
      const u128 high = (mid >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<u64>(p11);
      r.w[2] = static_cast<u64>(high);
      r.w[3] = static_cast<u64>((high >> 64) + (p11 >> 64));
      r.size = 4;
    } else {
      const u64 other = a.size == 2 ? a.w[1] : b.w[1];
      const u64 single = a.size == 2 ? b.w[0] : a.w[0];
      const u128 p1 = static_cast<u128>(other) * single + (p00 >> 64);
      r.w[1] = static_cast<u64>(p1);
      r.w[2] = static_cast<u64>(p1 >> 64);
      r.size = 3;
    }
    r.trim();
    return r;
  }
  if (a.size >= b.size) {
    mpn_mul(r.w, a.w, a.size, b.w, b.size);
  } else {
    mpn_mul(r.w, b.w, b.size, a.w, a.size);
  }
  r.size = a.size + b.size;
  r.trim();
  return r;
}

// a mod m, m > 0.
u128 mod(const Nat& a, u128 m) {
  if (a.fits_two()) return remainder(a.two(), m);
  if ((m >> 64) == 0) return mpn_mod_1(a.w, a.size, static_cast<Limb>(m));
  const Nat d = Nat::of(m);
  Limb q[kMaxLimbs], r[2];
  mpn_tdiv_qr(q, r, 0, a.w, a.size, d.w, 2);
  return r[0] | static_cast<u128>(r[1]) << 64;
}

// a / m where m divides a, m > 0.
Nat divexact(const Nat& a, u128 m) {
  if (m == 1) return a;
  if (a.fits_two()) return Nat::of(quotient(a.two(), m));
  Nat q;
  if ((m >> 64) == 0) {
    mpn_divexact_1(q.w, a.w, a.size, static_cast<Limb>(m));
    q.size = a.size;
  } else {
    const Nat d = Nat::of(m);
    Limb r[2];
    mpn_tdiv_qr(q.w, r, 0, a.w, a.size, d.w, 2);
    q.size = a.size - 1;
  }
  q.trim();
  return q;
}

int ctz(u128 v) {
  const auto lo = static_cast<u64>(v);
  return lo != 0 ? __builtin_ctzll(lo) : 64 + __builtin_ctzll(static_cast<u64>(v >> 64));
}

// gcd(a, b), gcd(0, b) = b.
u128 gcd(u128 a, u128 b) {
  if (a == 0) return b;
  if (b == 0) return a;
  const int shift = ctz(a | b);
  a >>= ctz(a);
  b >>= ctz(b);
  if (a > b) std::swap(a, b);
  // While both take two words, binary steps.
  while ((a >> 64) != 0) {
    if (a == b) return a << shift;
    const u128 d = b - a;
    b = a;
    a = d >> ctz(d);
    if (a > b) std::swap(a, b);
  }
  // The smaller fits a word: one remainder brings the other down to it.
  const auto small = static_cast<u64>(a);
  if ((b >> 64) == 0) return static_cast<u128>(odd_word_gcd(small, static_cast<u64>(b))) << shift;
  const u64 rest = mod_word(b, small);
  if (rest == 0) return a << shift;
  return static_cast<u128>(odd_word_gcd(small, rest >> __builtin_ctzll(rest))) << shift;
}

}  // namespace

struct WideOps {
  struct Part {
    u128 num;  // magnitude
    u128 den;
    bool negative;
  };

  static bool read_word_pair(mpz_srcptr z, u128& out) {
    const auto size = mpz_size(z);
    if (size > 2) return false;
    out = size == 0 ? 0 : mpz_getlimbn(z, 0);
    if (size == 2) out |= static_cast<u128>(mpz_getlimbn(z, 1)) << 64;
    return true;
  }

  static bool read(const Rational& v, Part& out) {
    if (v.den_ != 0) {
      out.negative = v.num_ < 0;
      out.num = out.negative ? -static_cast<u64>(v.num_) : static_cast<u64>(v.num_);
      out.den = static_cast<u64>(v.den_);
      return true;
    }
    out.negative = mpq_sgn(v.big_) < 0;
    return read_word_pair(mpq_numref(v.big_), out.num) && read_word_pair(mpq_denref(v.big_), out.den);
  }

  static void write(mpz_ptr z, const Nat& n, bool negative) {
    Limb* w = mpz_limbs_write(z, n.size);
    for (int i = 0; i < n.size; ++i) w[i] = n.w[i];
    mpz_limbs_finish(z, negative ? -n.size : n.size);
  }

  // out = (negative ? -n : n) / d, reduced, d > 0.
  static void store(Rational& out, const Nat& n, bool negative, const Nat& d) {
    if (n.size == 0) {
      out.set_words(0, 1);
      return;
    }
    const u64 top = u64{1} << 63;
    if (n.size == 1 && d.size == 1 && d.w[0] < top && (n.w[0] < top || (negative && n.w[0] == top))) {
      out.set_words(negative ? static_cast<std::int64_t>(-n.w[0]) : static_cast<std::int64_t>(n.w[0]),
                    static_cast<std::int64_t>(d.w[0]));
      return;
    }
    if (out.den_ != 0) out.make_big();
    write(mpq_numref(out.big_), n, negative);
    write(mpq_denref(out.big_), d, false);
  }

  // c -= f * x; false, with c untouched, when a number is wider than two words.
  static bool sub_mul(Rational& c, const Rational& f, const Rational& x) {
    Part pc, pf, px;
    if (!read(c, pc) || !read(f, pf) || !read(x, px)) return false;
    if (pf.num == 0 || px.num == 0) return true;

    // p = f * x with the cross factors cancelled first, which leaves it reduced.
    const u128 g1 = gcd(pf.num, px.den), g2 = gcd(px.num, pf.den);
    const Nat pn = mul(Nat::of(quotient(pf.num, g1)), Nat::of(quotient(px.num, g2)));
    const Nat pd = mul(Nat::of(quotient(pf.den, g2)), Nat::of(quotient(px.den, g1)));
    const bool minus_p_negative = pf.negative == px.negative;  // sign of -p
    if (pc.num == 0) {
      store(c, pn, minus_p_negative, pd);
      return true;
    }

    // c + (-p) over g = gcd(c.den, p.den): t = c.num (p.den / g) - p.num (c.den / g),
    // reduced by gcd(t, g).
    const u128 rest = mod(pd, pc.den);
    const u128 g = rest == 0 ? pc.den : gcd(pc.den, rest);
    const Nat cd_g = Nat::of(quotient(pc.den, g));
    const Nat a = mul(Nat::of(pc.num), divexact(pd, g));
    const Nat b = mul(pn, cd_g);
    Nat t;
    bool negative;
    if (pc.negative == minus_p_negative) {
      negative = pc.negative;
      const Nat& big = a.size >= b.size ? a : b;
      const Nat& small = a.size >= b.size ? b : a;
      t.w[big.size] = mpn_add(t.w, big.w, big.size, small.w, small.size);
      t.size = big.size + 1;
    } else {
      const int order = a.size != b.size ? (a.size > b.size ? 1 : -1) : mpn_cmp(a.w, b.w, a.size);
      if (order == 0) {
        store(c, Nat(), false, Nat::of(1));
        return true;
      }
      const Nat& big = order > 0 ? a : b;
      const Nat& small = order > 0 ? b : a;
      negative = order > 0 ? pc.negative : minus_p_negative;
      mpn_sub(t.w, big.w, big.size, small.w, small.size);
      t.size = big.size;
    }
    t.trim();
    const u128 h = g == 1 ? 1 : gcd(g, mod(t, g));
    store(c, divexact(t, h), negative, mul(cd_g, divexact(pd, h)));
    return true;
  }
};

bool wide_sub_mul(Rational& c, const Rational& f, const Rational& x) { return WideOps::sub_mul(c, f, x); }

Rational wide_fraction(bool negative, u128 num, u128 den) {
  Rational out;
  if (num == 0) return out;
  const u128 g = gcd(num, den);
  WideOps::store(out, Nat::of(quotient(num, g)), negative, Nat::of(quotient(den, g)));
  return out;
}

}  // namespace mivex::linear
