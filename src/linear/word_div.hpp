// A two-word number divided by one word. The processor's divide takes a
// two-word dividend when the quotient fits a word; the generic 128-bit
// routine (a library call) normalises and loops around the same steps.
#pragma once

#include <cstdint>

namespace mivex::linear {

// (hi * 2^64 + lo) / d and its remainder, for hi < d.
inline std::uint64_t divide_two_by_one(std::uint64_t hi, std::uint64_t lo, std::uint64_t d, std::uint64_t& rem) {
#if defined(__x86_64__)
  std::uint64_t q;
  asm("divq %4" : "=a"(q), "=d"(rem) : "a"(lo), "d"(hi), "rm"(d) : "cc");
  return q;
#else
  const unsigned __int128 a = static_cast<unsigned __int128>(hi) << 64 | lo;
  rem = static_cast<std::uint64_t>(a % d);
  return static_cast<std::uint64_t>(a / d);
#endif
}

// a mod d, d > 0.
inline std::uint64_t mod_word(unsigned __int128 a, std::uint64_t d) {
  auto hi = static_cast<std::uint64_t>(a >> 64);
  const auto lo = static_cast<std::uint64_t>(a);
  if (hi == 0) return lo % d;
  if (hi >= d) hi %= d;
  std::uint64_t rem;
  divide_two_by_one(hi, lo, d, rem);
  return rem;
}

// a / d, d > 0.
inline unsigned __int128 div_word(unsigned __int128 a, std::uint64_t d) {
  const auto hi = static_cast<std::uint64_t>(a >> 64);
  const auto lo = static_cast<std::uint64_t>(a);
  if (hi == 0) return lo / d;
  const std::uint64_t q_hi = hi / d;
  std::uint64_t rem;
  const std::uint64_t q_lo = divide_two_by_one(hi - q_hi * d, lo, d, rem);
  return static_cast<unsigned __int128>(q_hi) << 64 | q_lo;
}

}  // namespace mivex::linear
