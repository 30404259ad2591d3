// Unit propagation over the two watched literals. For each newly false
// literal f, every clause on f's watch list is visited in list order: it
// moves its watch from f to its first literal (in clause order) that is
// neither f nor its other watch and not false; failing that, the other watch
// decides: true (satisfied), unassigned (unit: assign it) or false (conflict).
#include "sat/solver.hpp"

namespace mivex::sat {

ClauseRef Solver::propagate() {
  while (trail_.qhead < trail_.size()) {
    const Lit f = ~trail_[trail_.qhead++];
    ++stats_.propagations;
    WatchList& list = watches_[f];
    walk_.begin(list);
    for (std::size_t k = 0; k < walk_.length(); ++k) {
      const std::size_t pos = walk_.position(k);
      const ClauseRef c = list[pos];
      std::uint32_t* words = clauses_.words(c);
      const std::uint32_t size = words[0] >> 1;
      // The watch word holding f (the first, when both do) and the other one.
      const std::uint32_t slot = words[1] == f.code ? 1 : 2;
      const Lit other{words[3 - slot]};

      const std::uint32_t* lits = words + ClauseDB::kHeader;
      std::uint32_t i = 0;
      for (; i < size; ++i) {
        const Lit l{lits[i]};
        if (l == f || l == other) continue;
        if (trail_.value(l) != LBool::False) break;
      }
      if (i < size) {
        const Lit next{lits[i]};
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
