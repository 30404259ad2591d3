// The CDCL search: clauses are loaded one by one, then solve() runs to SAT or
// UNSAT. No restarts, no clause deletion, no phase saving and no randomness:
// decisions are always "true" for the most active unassigned variable, and
// conflict analysis walks the trail from the conflict down to the point where
// no unvisited variable of the conflict level remains.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "sat/clause.hpp"
#include "sat/heuristics.hpp"
#include "sat/literal.hpp"
#include "sat/stats.hpp"
#include "sat/trail.hpp"
#include "sat/watch.hpp"

namespace mivex::sat {

class Solver {
 public:
  // Grows the per-variable storage to n variables (refusing sizes the
  // machine cannot hold). add_clause does this on its own; calling it first
  // with the final count saves the regrowth.
  void ensure_vars(std::size_t n);
  // Loads one clause of DIMACS literals; only before solve().
  void add_clause(std::span<const std::int32_t> dimacs);
  // Searches once; the model lists variables 0 .. num_vars - 1.
  SolverResult solve(Cancel& cancel = Cancel::none());

  std::size_t num_vars() const { return num_vars_; }
  const SearchStats& stats() const { return stats_; }
  // The learnt clauses in DIMACS form, in the order learnt (for tests).
  std::vector<std::vector<std::int32_t>> learnt_clauses() const;

 private:
  ClauseRef propagate();
  std::uint32_t first_free(const std::uint32_t* lits, std::uint32_t size, Lit other) const;
  // Learns from the conflict, backjumps and asserts the learnt literal.
  void resolve_conflict(ClauseRef conflict);
  // Analysis step: bump q's variable and, the first time it is met, mark it
  // and count it (conflict level) or record it (lower level).
  void meet(Lit q, std::uint32_t conflict_level, std::size_t& counter, std::uint32_t& bt);

  std::size_t num_vars_ = 0;
  bool has_empty_ = false;
  ClauseDB clauses_;
  Watches watches_;
  Trail trail_;
  VarOrder order_;
  SearchStats stats_;

  // Scratch reused across conflicts and propagations.
  WatchWalk walk_;
  std::vector<std::uint8_t> seen_;
  std::vector<Lit> learnt_;
};

}  // namespace mivex::sat
