// Arithmetic modulo a prime below 2^62, in Montgomery form (a value a is
// held as a * 2^64 mod p): a product costs three machine multiplies and no
// division. Exact solvers use it to find integers through their residues,
// and check what they find.
#pragma once

#include <cstdint>

namespace mivex::linear {

class ResiduePrime {
 public:
  using u64 = std::uint64_t;
  using u128 = unsigned __int128;

  // p odd, p < 2^62.
  explicit constexpr ResiduePrime(u64 p) : p_(p), neg_inv_(negated_inverse(p)), r2_(square_of_r(p)) {}

  constexpr u64 modulus() const { return p_; }

  // a * b * 2^-64 mod p, for a, b < p.
  constexpr u64 mul(u64 a, u64 b) const {
    const u128 t = static_cast<u128>(a) * b;
    const u64 m = static_cast<u64>(t) * neg_inv_;
    const u64 u = static_cast<u64>((t + static_cast<u128>(m) * p_) >> 64);
    return u >= p_ ? u - p_ : u;
  }
  constexpr u64 add(u64 a, u64 b) const {
    const u64 s = a + b;
    return s >= p_ ? s - p_ : s;
  }
  constexpr u64 sub(u64 a, u64 b) const { return a >= b ? a - b : a + p_ - b; }
  // a - b * c, all in Montgomery form.
  constexpr u64 sub_mul(u64 a, u64 b, u64 c) const { return sub(a, mul(b, c)); }

  // Into and out of Montgomery form (a < p).
  constexpr u64 enter(u64 a) const { return mul(a, r2_); }
  constexpr u64 leave(u64 a) const { return mul(a, 1); }
  constexpr u64 one() const { return enter(1); }

  // The inverse of a nonzero a (Montgomery form in and out), by Fermat.
  constexpr u64 inverse(u64 a) const {
    u64 result = one();
    u64 base = a;
    for (u64 e = p_ - 2; e != 0; e >>= 1) {
      if (e & 1) result = mul(result, base);
      base = mul(base, base);
    }
    return result;
  }

 private:
  static constexpr u64 negated_inverse(u64 p) {
    u64 inv = p;  // Newton: correct to 3 bits, doubling each step
    for (int i = 0; i < 5; ++i) inv *= 2 - p * inv;
    return static_cast<u64>(0) - inv;
  }
  static constexpr u64 square_of_r(u64 p) {
    const u128 r = (static_cast<u128>(1) << 64) % p;
    return static_cast<u64>(r * r % p);
  }

  u64 p_;
  u64 neg_inv_;
  u64 r2_;
};

}  // namespace mivex::linear
