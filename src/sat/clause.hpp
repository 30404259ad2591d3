// All clauses in one arena of 32-bit words. A clause is named by its offset
// (ClauseRef); clauses are only appended, never moved or deleted, so a
// reference stays valid for the life of the solver. Layout at the offset:
//   [size << 1 | learnt] [watch 0] [watch 1] [literal codes in clause order...]
// The two watch words record which literals currently watch the clause; they
// start as its first two literals. Literals are never reordered.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sat/literal.hpp"

namespace mivex::sat {

using ClauseRef = std::uint32_t;
inline constexpr ClauseRef kNoClause = UINT32_MAX;

class ClauseDB {
 public:
  static constexpr std::uint32_t kHeader = 3;

  // Appends a clause; its watch words are its first two literals (if any).
  ClauseRef add(std::span<const Lit> lits, bool learnt);

  std::uint32_t size(ClauseRef c) const { return arena_[c] >> 1; }
  bool learnt(ClauseRef c) const { return (arena_[c] & 1) != 0; }
  Lit lit(ClauseRef c, std::uint32_t i) const { return {arena_[c + kHeader + i]}; }
  // The clause's words: header at [0..kHeader), literal codes after it.
  std::uint32_t* words(ClauseRef c) { return &arena_[c]; }
  const std::uint32_t* words(ClauseRef c) const { return &arena_[c]; }

  std::size_t count() const { return count_; }
  // Calls f(ref) for every clause in the order added.
  template <class F>
  void for_each(F f) const {
    for (std::size_t c = 0; c < arena_.size(); c += kHeader + size(static_cast<ClauseRef>(c))) {
      f(static_cast<ClauseRef>(c));
    }
  }

 private:
  std::vector<std::uint32_t> arena_;
  std::size_t count_ = 0;
};

}  // namespace mivex::sat
