#include "support/integer.hpp"

#include <cstdlib>
#include <memory>

namespace mivex::support {

namespace {

using i128 = __int128;
using u64 = std::uint64_t;

struct Scratch {
  mpz_t a, b, c;
  Scratch() {
    mpz_init(a);
    mpz_init(b);
    mpz_init(c);
  }
  ~Scratch() {
    mpz_clear(a);
    mpz_clear(b);
    mpz_clear(c);
  }
};

Scratch& scratch() {
  static thread_local Scratch s;
  return s;
}

bool fits(i128 v) { return v >= INT64_MIN && v <= INT64_MAX; }

void set_mpz(mpz_ptr out, i128 v) {
  unsigned __int128 m = v < 0 ? static_cast<unsigned __int128>(-(v + 1)) + 1 : static_cast<unsigned __int128>(v);
  u64 words[2] = {static_cast<u64>(m), static_cast<u64>(m >> 64)};
  mpz_import(out, 2, -1, sizeof(u64), 0, 0, words);
  if (v < 0) mpz_neg(out, out);
}

u64 magnitude(std::int64_t v) { return v < 0 ? 0 - static_cast<u64>(v) : static_cast<u64>(v); }

}  // namespace

Integer& Integer::operator=(const Integer& other) {
  if (this == &other) return *this;
  if (other.big_ == nullptr) {
    if (big_ != nullptr) free_big();
    small_ = other.small_;
  } else if (big_ != nullptr) {
    mpz_set(big_, other.big_);
  } else {
    copy_big(other);
  }
  return *this;
}

void Integer::copy_big(const Integer& other) {
  auto fresh = std::make_unique<__mpz_struct>();
  mpz_init_set(fresh.get(), other.big_);
  big_ = fresh.release();
  small_ = 0;
}

void Integer::free_big() {
  mpz_clear(big_);
  delete big_;
  big_ = nullptr;
}

void Integer::load(mpz_ptr z) const {
  if (big_ != nullptr) {
    mpz_set(z, big_);
  } else {
    mpz_set_si(z, small_);
  }
}

void Integer::take(mpz_ptr z) {
  if (mpz_fits_slong_p(z)) {
    if (big_ != nullptr) free_big();
    small_ = mpz_get_si(z);
    return;
  }
  if (big_ == nullptr) {
    auto fresh = std::make_unique<__mpz_struct>();
    mpz_init(fresh.get());
    big_ = fresh.release();
  }
  mpz_swap(big_, z);
}

std::string Integer::text() const {
  if (big_ == nullptr) return std::to_string(small_);
  std::unique_ptr<char, void (*)(void*)> digits(mpz_get_str(nullptr, 10, big_), std::free);
  return std::string(digits.get());
}

void Integer::negate() {
  if (big_ != nullptr) {
    mpz_neg(big_, big_);
    if (mpz_fits_slong_p(big_)) {  // 2^63 becomes INT64_MIN
      std::int64_t v = mpz_get_si(big_);
      free_big();
      small_ = v;
    }
    return;
  }
  if (small_ != INT64_MIN) {
    small_ = -small_;
    return;
  }
  Scratch& s = scratch();
  set_mpz(s.a, -static_cast<i128>(small_));
  take(s.a);
}

void Integer::set_lincomb_slow(const Integer& v, const Integer& a, const Integer& u, const Integer& b) {
  if (v.big_ == nullptr && a.big_ == nullptr && u.big_ == nullptr && b.big_ == nullptr) {
    i128 r = static_cast<i128>(v.small_) * a.small_ - static_cast<i128>(u.small_) * b.small_;
    if (fits(r)) {
      if (big_ != nullptr) free_big();
      small_ = static_cast<std::int64_t>(r);
      return;
    }
    Scratch& s = scratch();
    set_mpz(s.c, r);
    take(s.c);
    return;
  }
  Scratch& s = scratch();
  mpz_srcptr pv = v.big_ ? v.big_ : (mpz_set_si(s.a, v.small_), s.a);
  mpz_srcptr pa = a.big_ ? a.big_ : (mpz_set_si(s.b, a.small_), s.b);
  mpz_mul(s.c, pv, pa);
  mpz_srcptr pu = u.big_ ? u.big_ : (mpz_set_si(s.a, u.small_), s.a);
  mpz_srcptr pb = b.big_ ? b.big_ : (mpz_set_si(s.b, b.small_), s.b);
  mpz_submul(s.c, pu, pb);
  take(s.c);
}

void Integer::mul_by_slow(const Integer& v) {
  if (big_ == nullptr && v.big_ == nullptr) {
    std::int64_t r;
    if (!__builtin_mul_overflow(small_, v.small_, &r)) {
      small_ = r;
      return;
    }
    Scratch& s = scratch();
    set_mpz(s.c, static_cast<i128>(small_) * v.small_);
    take(s.c);
    return;
  }
  if (big_ != nullptr) {
    // A product with a value beyond 64 bits stays beyond (unless zero).
    if (v.big_ != nullptr) {
      mpz_mul(big_, big_, v.big_);
    } else if (v.small_ == 0) {
      free_big();
      small_ = 0;
    } else {
      mpz_mul_si(big_, big_, v.small_);
    }
    return;
  }
  Scratch& s = scratch();
  mpz_mul_si(s.c, v.big_, small_);
  take(s.c);
}

void Integer::divexact_by_slow(const Integer& g) {
  if (big_ == nullptr && g.big_ == nullptr) {
    small_ /= g.small_;
    return;
  }
  if (big_ == nullptr) {
    // A word is an exact multiple of a divisor beyond 64 bits only when it is
    // zero or INT64_MIN over 2^63: let GMP work out the quotient (0 or -1).
    Scratch& s = scratch();
    mpz_set_si(s.a, small_);
    mpz_divexact(s.a, s.a, g.big_);
    small_ = mpz_get_si(s.a);
    return;
  }
  if (g.big_ != nullptr) {
    mpz_divexact(big_, big_, g.big_);
  } else {
    mpz_divexact_ui(big_, big_, static_cast<unsigned long>(g.small_));
  }
  if (mpz_fits_slong_p(big_)) {
    std::int64_t v = mpz_get_si(big_);
    free_big();
    small_ = v;
  }
}

void Integer::gcd_into_slow(Integer& g) const {
  if (g.is_one() || is_zero()) return;
  if (big_ == nullptr && g.big_ == nullptr) {
    // |INT64_MIN| = 2^63 does not fit back: such a gcd is kept in GMP.
    u64 r = word_gcd(magnitude(small_), static_cast<u64>(g.small_ < 0 ? 0 : g.small_));
    if (r <= static_cast<u64>(INT64_MAX)) {
      g.small_ = static_cast<std::int64_t>(r);
      return;
    }
  }
  Scratch& s = scratch();
  mpz_srcptr self = big_ != nullptr ? big_ : (mpz_set_si(s.a, small_), s.a);
  if (g.big_ == nullptr && g.small_ > 0) {
    // gcd with a word: one remainder, then a word gcd.
    g.small_ = static_cast<std::int64_t>(mpz_gcd_ui(nullptr, self, static_cast<unsigned long>(g.small_)));
    return;
  }
  if (g.big_ == nullptr) {  // g = 0: gcd(0, x) = |x|
    mpz_abs(s.c, self);
  } else {
    mpz_gcd(s.c, self, g.big_);
  }
  g.take(s.c);
}

int compare_products(const Integer& a, const Integer& b, const Integer& c, const Integer& d) {
  if (a.big_ == nullptr && b.big_ == nullptr && c.big_ == nullptr && d.big_ == nullptr) {
    i128 l = static_cast<i128>(a.small_) * b.small_;
    i128 r = static_cast<i128>(c.small_) * d.small_;
    return (l > r) - (l < r);
  }
  Scratch& s = scratch();
  mpz_t l;
  mpz_init(l);
  mpz_srcptr pa = a.big_ ? a.big_ : (mpz_set_si(s.a, a.small_), s.a);
  mpz_srcptr pb = b.big_ ? b.big_ : (mpz_set_si(s.b, b.small_), s.b);
  mpz_mul(l, pa, pb);
  mpz_srcptr pc = c.big_ ? c.big_ : (mpz_set_si(s.a, c.small_), s.a);
  mpz_srcptr pd = d.big_ ? d.big_ : (mpz_set_si(s.b, d.small_), s.b);
  mpz_mul(s.c, pc, pd);
  int result = mpz_cmp(l, s.c);
  mpz_clear(l);
  return (result > 0) - (result < 0);
}

int compare(const Integer& a, const Integer& b) {
  if (a.big_ == nullptr && b.big_ == nullptr) return (a.small_ > b.small_) - (a.small_ < b.small_);
  Scratch& s = scratch();
  a.load(s.a);
  b.load(s.b);
  int result = mpz_cmp(s.a, s.b);
  return (result > 0) - (result < 0);
}

}  // namespace mivex::support
