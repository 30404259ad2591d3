// Greatest common divisor of machine words, shared by the exact number types.
#pragma once

#include <cstdint>
#include <utility>

namespace mivex::linear {

// Binary GCD; gcd(0, b) = b.
inline std::uint64_t word_gcd(std::uint64_t a, std::uint64_t b) {
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

}  // namespace mivex::linear
