// Sets of steps, positions or rows as bits, for the sparse solves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mivex::lp::steps {

inline void set_bit(std::uint64_t* words, std::uint32_t i) { words[i >> 6] |= std::uint64_t{1} << (i & 63); }

// Steps waiting for their turn, as bits (one word covers 64 steps): taking
// them in order costs a pass over the words plus one step per bit, with no
// comparisons that depend on the data. Every step set while the steps are
// taken lies ahead in the order, so one pass takes them all; the set ends
// empty.
struct StepSet {
  std::uint64_t* words;
  std::size_t count;
  void add(std::uint32_t k) { set_bit(words, k); }
  template <class F>
  void take_ascending(F&& f) {
    for (std::size_t w = 0; w < count; ++w) {
      while (words[w] != 0) {
        const int b = __builtin_ctzll(words[w]);
        words[w] &= words[w] - 1;
        f(static_cast<std::uint32_t>(w * 64 + b));
      }
    }
  }
  template <class F>
  void take_descending(F&& f) {
    for (std::size_t w = count; w-- > 0;) {
      while (words[w] != 0) {
        const int b = 63 - __builtin_clzll(words[w]);
        words[w] &= ~(std::uint64_t{1} << b);
        f(static_cast<std::uint32_t>(w * 64 + b));
      }
    }
  }
};

// The indices of the set bits, ascending, into `out`; the bits end clear.
inline void take_bits(std::uint64_t* words, std::size_t count, std::vector<std::uint32_t>& out) {
  out.clear();
  for (std::size_t w = 0; w < count; ++w) {
    for (std::uint64_t bits = words[w]; bits != 0; bits &= bits - 1) {
      out.push_back(static_cast<std::uint32_t>(w * 64 + __builtin_ctzll(bits)));
    }
    words[w] = 0;
  }
}

}  // namespace mivex::lp::steps
