#include "sat/clause.hpp"

#include "core/error.hpp"

namespace mivex::sat {

ClauseRef ClauseDB::add(std::span<const Lit> lits, bool learnt) {
  const std::size_t offset = arena_.size();
  const std::size_t words = kHeader + lits.size();
  // Offsets are 32-bit: past 16 GiB of clauses the search is refused rather than wrong.
  if (offset + words >= kNoClause) {
    throw MemoryRefusal("SAT clause store would exceed 16 GiB");
  }
  arena_.push_back(static_cast<std::uint32_t>(lits.size() << 1) | (learnt ? 1u : 0u));
  arena_.push_back(lits.size() >= 1 ? lits[0].code : 0);
  arena_.push_back(lits.size() >= 2 ? lits[1].code : 0);
  for (Lit l : lits) arena_.push_back(l.code);
  ++count_;
  return static_cast<ClauseRef>(offset);
}

}  // namespace mivex::sat
