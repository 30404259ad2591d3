#include "sat/solver.hpp"

#include <algorithm>

#include "sat/memory.hpp"

namespace mivex::sat {

void Solver::ensure_vars(std::size_t n) {
  if (n <= num_vars_) return;
  require_memory_for_vars(n);
  num_vars_ = n;
  trail_.grow(n);
  watches_.grow(n);
  seen_.resize(n, 0);
}

void Solver::add_clause(std::span<const std::int32_t> dimacs) {
  std::vector<Lit>& lits = learnt_;  // free until the search starts
  lits.clear();
  for (std::int32_t d : dimacs) lits.push_back(Lit::from_dimacs(d));
  if (lits.empty()) {
    clauses_.add(lits, false);
    has_empty_ = true;
    return;
  }
  Var max_var = 0;
  for (Lit l : lits) max_var = std::max(max_var, l.var());
  ensure_vars(static_cast<std::size_t>(max_var) + 1);
  if (lits.size() == 1) {
    Lit l = lits[0];
    LBool value = trail_.value(l);
    if (value == LBool::Undef) {
      trail_.assign(l, clauses_.add(lits, false));
    } else if (value == LBool::False) {
      clauses_.add({}, false);
      has_empty_ = true;
    }
    return;
  }
  ClauseRef c = clauses_.add(lits, false);
  watches_[lits[0]].push_back(c);
  watches_[lits[1]].push_back(c);
}

SolverResult Solver::solve(Cancel& cancel) {
  if (has_empty_) return SolverResult::unsat();
  trail_.reserve(num_vars_);
  order_.reset(num_vars_);  // every activity 0.0, increment 1.0
  for (;;) {
    ClauseRef conflict = propagate();
    if (conflict != kNoClause) {
      if (trail_.level() == 0) return SolverResult::unsat();
      ++stats_.conflicts;
      cancel.tick();
      resolve_conflict(conflict);
      continue;
    }
    while (!order_.empty() && trail_.assigned(order_.top())) order_.pop();
    if (order_.empty()) break;
    Var v = order_.top();
    order_.pop();
    ++stats_.decisions;
    cancel.tick();
    trail_.open_level();
    trail_.assign(Lit::make(v, true), kNoClause);
  }
  Assignment model;
  model.reserve(num_vars_);
  for (std::size_t v = 0; v < num_vars_; ++v) {
    model.append(v, Value::boolean(trail_.value(Lit::make(static_cast<Var>(v), true)) == LBool::True));
  }
  return SolverResult::sat(std::move(model));
}

std::vector<std::vector<std::int32_t>> Solver::learnt_clauses() const {
  std::vector<std::vector<std::int32_t>> out;
  clauses_.for_each([&](ClauseRef c) {
    if (!clauses_.learnt(c)) return;
    std::vector<std::int32_t>& clause = out.emplace_back();
    for (std::uint32_t i = 0; i < clauses_.size(c); ++i) clause.push_back(clauses_.lit(c, i).to_dimacs());
  });
  return out;
}

}  // namespace mivex::sat
