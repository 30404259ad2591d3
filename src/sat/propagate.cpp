// Unit propagation over the two watched literals. For each newly false
// literal f, every clause on f's watch list is visited in list order: it
// moves its watch from f to its first literal (in clause order) that is
// neither f nor its other watch and not false; failing that, the other watch
// decides: true (satisfied), unassigned (unit: assign it) or false (conflict).
#include "sat/solver.hpp"

namespace mivex::sat {

// Index of the first literal that is not false and not `other`, or `size`.
// f itself is false, so it needs no test of its own. Four literals are
// tested per round without branching on each one.
inline std::uint32_t Solver::first_free(const std::uint32_t* lits, std::uint32_t size, Lit other) const {
  for (std::uint32_t base = 0; base < size; base += 4) {
    unsigned found = 0;
    for (unsigned j = 0; j < 4; ++j) {
      const std::uint32_t index = base + j;
      const bool inside = index < size;
      const std::uint32_t code = lits[inside ? index : 0];
      const bool free = inside & (trail_.value(Lit{code}) != LBool::False) & (code != other.code);
      found |= static_cast<unsigned>(free) << j;
    }
    if (found != 0) return base + static_cast<std::uint32_t>(__builtin_ctz(found));
  }
  return size;
}

ClauseRef Solver::propagate() {
  while (trail_.qhead < trail_.size()) {
    const Lit f = ~trail_[trail_.qhead++];
    ++stats_.propagations;
    WatchList& list = watches_[f];
    walk_.begin(list);
    for (std::size_t k = 0; k < walk_.length(); ++k) {
      const std::size_t pos = walk_.position(k);
      const ClauseRef c = list[pos];
      if (k + 3 < walk_.length()) __builtin_prefetch(clauses_.words(list[walk_.position(k + 3)]));
      std::uint32_t* words = clauses_.words(c);
      const std::uint32_t size = words[0] >> 1;
      // The watch word holding f (the first, when both do) and the other one.
      const std::uint32_t slot = words[1] == f.code ? 1 : 2;
      const Lit other{words[3 - slot]};

      const std::uint32_t i = first_free(words + ClauseDB::kHeader, size, other);
      if (i < size) {
        const Lit next{words[ClauseDB::kHeader + i]};
        const bool twice = words[1] == words[2];
        words[slot] = next.code;
        watches_[next].push_back(c);
        walk_.remove(k, pos, twice);
        continue;
      }

      const LBool value = trail_.value(other);
      if (value == LBool::Undef) {
        trail_.assign(other, c);
      } else if (value == LBool::False) {
        return c;
      }
    }
  }
  return kNoClause;
}

}  // namespace mivex::sat
