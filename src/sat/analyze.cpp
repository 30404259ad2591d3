// Conflict analysis. Starting from the conflicting clause, the trail is
// walked downwards through the marked variables; each visited variable's
// reason is expanded before the count of unvisited conflict-level variables
// is tested, so the walk stops at the first variable after which none is
// left (at the latest the level's decision). The learnt clause is that
// variable's negated literal followed by the lower-level literals in the
// order met; the search backjumps to the highest of their levels and asserts
// the first literal there.
#include <algorithm>

#include "sat/solver.hpp"

namespace mivex::sat {

void Solver::meet(Lit q, std::uint32_t conflict_level, std::size_t& counter, std::uint32_t& bt) {
  const Var v = q.var();
  order_.bump(v);
  if (seen_[v]) return;
  seen_[v] = 1;
  const std::uint32_t level = trail_.level_of(v);
  if (level == conflict_level) {
    ++counter;
  } else {
    bt = std::max(bt, level);
    learnt_.push_back(q);
  }
}

void Solver::resolve_conflict(ClauseRef conflict) {
  const std::uint32_t conflict_level = trail_.level();
  std::size_t counter = 0;
  std::uint32_t bt = 0;
  learnt_.clear();
  learnt_.push_back(Lit{0});  // becomes the asserted literal

  for (std::uint32_t i = 0; i < clauses_.size(conflict); ++i) {
    meet(clauses_.lit(conflict, i), conflict_level, counter, bt);
  }
  std::size_t index = trail_.size();
  Lit p;
  for (;;) {
    do {
      --index;
    } while (!seen_[trail_[index].var()]);
    p = trail_[index];
    seen_[p.var()] = 0;
    --counter;
    const ClauseRef reason = trail_.reason_of(p.var());
    if (reason == kNoClause) break;
    for (std::uint32_t i = 0; i < clauses_.size(reason); ++i) {
      const Lit q = clauses_.lit(reason, i);
      if (q.var() == p.var()) {
        order_.bump(q.var());
        continue;
      }
      meet(q, conflict_level, counter, bt);
    }
    if (counter == 0) break;
  }
  learnt_[0] = ~p;
  for (std::size_t i = 1; i < learnt_.size(); ++i) seen_[learnt_[i].var()] = 0;

  const ClauseRef learnt = clauses_.add(learnt_, true);
  if (learnt_.size() >= 2) {
    watches_[learnt_[0]].push_back(learnt);
    watches_[learnt_[1]].push_back(learnt);
  }
  trail_.backjump(bt, [&](Var v) { order_.insert(v); });
  trail_.assign(learnt_[0], learnt);
  order_.decay();
}

}  // namespace mivex::sat
