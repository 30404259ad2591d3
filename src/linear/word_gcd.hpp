// Greatest common divisor of machine words, shared by the exact number types.
#pragma once

#include <cstdint>
#include <utility>

namespace mivex::linear {

// gcd of two odd words. Binary steps, after one remainder when one word is
// far larger (binary steps would be many then); the next difference's
// trailing zeros are counted while the smaller value is chosen, which keeps
// the loop's dependency chain short (about twice as fast as the
// swap-and-subtract form).
inline std::uint64_t odd_word_gcd(std::uint64_t a, std::uint64_t b) {
  if (a == 1 || b == 1) return 1;
  if (a > b) std::swap(a, b);
  if ((b >> 8) > a) {
    b %= a;
    if (b == 0) return a;
    b >>= __builtin_ctzll(b);
  }
  while (a != b) {
    const std::uint64_t d = a > b ? a - b : b - a;
    b = a < b ? a : b;
    a = d >> __builtin_ctzll(d);
  }
  return a;
}

// gcd(0, b) = b.
inline std::uint64_t word_gcd(std::uint64_t a, std::uint64_t b) {
  if (a == 0) return b;
  if (b == 0) return a;
  const int shift = __builtin_ctzll(a | b);
  return odd_word_gcd(a >> __builtin_ctzll(a), b >> __builtin_ctzll(b)) << shift;
}

}  // namespace mivex::linear
