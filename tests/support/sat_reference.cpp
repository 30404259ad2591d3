#include "support/sat_reference.hpp"

#include <algorithm>
#include <cstdlib>

#include "core/error.hpp"

namespace mivex::sat {

int ReferenceSolver::lit_value(Lit l) const {
  std::uint8_t v = values_[l.var];
  if (v == 2) return 2;
  return (v == 1) == l.positive ? 1 : 0;
}

void ReferenceSolver::ensure_vars(std::size_t n) {
  if (n <= num_vars_) return;
  num_vars_ = n;
  values_.resize(n, 2);
  trail_pos_.resize(n);
  watches_.resize(2 * n);
  activity_.assign(n, 0.0);
  var_inc_ = 1.0;
  decay_ = 0.95;
}

void ReferenceSolver::assign(Lit l, std::optional<std::size_t> reason) {
  values_[l.var] = l.positive ? 1 : 0;
  trail_pos_[l.var] = trail_.size();
  trail_.push_back({reason, l.var, l.positive, level()});
}

std::size_t ReferenceSolver::push_clause(std::vector<Lit> lits, bool learnt) {
  Clause c;
  c.lits = std::move(lits);
  c.learnt = learnt;
  if (c.lits.size() >= 2) {
    c.watch[0] = c.lits[0];
    c.watch[1] = c.lits[1];
  }
  clauses_.push_back(std::move(c));
  return clauses_.size() - 1;
}

void ReferenceSolver::add_clause(std::span<const std::int32_t> dimacs) {
  std::vector<Lit> lits;
  for (std::int32_t d : dimacs) {
    if (d == 0) stop("DIMACS literal cannot be 0");
    std::uint32_t magnitude = d < 0 ? 0u - static_cast<std::uint32_t>(d) : static_cast<std::uint32_t>(d);
    lits.push_back({static_cast<std::size_t>(magnitude) - 1, d > 0});
  }
  if (lits.empty()) {
    push_clause({}, false);
    return;
  }
  std::size_t m = 0;
  for (Lit l : lits) m = std::max(m, l.var);
  ensure_vars(m + 1);
  if (lits.size() == 1) {
    Lit l = lits[0];
    int v = lit_value(l);
    if (v == 2) {
      std::size_t index = push_clause(lits, false);
      assign(l, index);
    } else if (v == 0) {
      push_clause({}, false);
    }
    return;
  }
  std::size_t index = push_clause(lits, false);
  watches_[code(lits[0])].push_back(index);
  watches_[code(lits[1])].push_back(index);
}

std::optional<std::size_t> ReferenceSolver::propagate() {
  while (qhead_ < trail_.size()) {
    const TrailEntry entry = trail_[qhead_++];
    ++stats_.propagations;
    const Lit falsified{entry.var, !entry.value};
    const std::size_t f = code(falsified);
    const std::vector<std::size_t> copy = watches_[f];
    for (std::size_t ci : copy) {
      Clause& c = clauses_[ci];
      if (c.removed) continue;
      const int slot = c.watch[0] == falsified ? 0 : 1;
      const Lit other = c.watch[1 - slot];
      bool moved = false;
      for (Lit l : c.lits) {
        if (l == falsified || l == other || lit_value(l) == 0) continue;
        watches_[code(l)].push_back(ci);
        std::vector<std::size_t>& live = watches_[f];
        auto first = std::find(live.begin(), live.end(), ci);
        *first = live.back();
        live.pop_back();
        c.watch[slot] = l;
        moved = true;
        break;
      }
      if (moved) continue;
      int v = lit_value(other);
      if (v == 2) {
        assign(other, ci);
      } else if (v == 0) {
        return ci;
      }
    }
  }
  return std::nullopt;
}

void ReferenceSolver::resolve_conflict(std::size_t conflict) {
  const std::size_t L = level();
  std::vector<std::uint8_t> marks(num_vars_, 0);
  std::size_t counter = 0;
  std::size_t bt = 0;
  std::vector<Lit> lower;
  auto meet = [&](Lit q) {
    if (marks[q.var]) return;
    marks[q.var] = 1;
    std::size_t lv = trail_[*trail_pos_[q.var]].level;
    if (lv == L) {
      ++counter;
    } else {
      bt = std::max(bt, lv);
      lower.push_back(q);
    }
  };
  for (Lit q : clauses_[conflict].lits) {
    activity_[q.var] += var_inc_;
    meet(q);
  }
  std::size_t pos = trail_.size();
  TrailEntry p{};
  for (;;) {
    do {
      --pos;
    } while (!marks[trail_[pos].var]);
    p = trail_[pos];
    marks[p.var] = 0;
    --counter;
    if (!p.reason) break;
    for (Lit q : clauses_[*p.reason].lits) {
      activity_[q.var] += var_inc_;
      if (q.var == p.var) continue;
      meet(q);
    }
    if (counter == 0) break;
  }
  std::vector<Lit> learnt{{p.var, !p.value}};
  learnt.insert(learnt.end(), lower.begin(), lower.end());

  std::vector<std::int32_t> logged;
  for (Lit l : learnt) {
    std::int32_t d = static_cast<std::int32_t>(l.var + 1);
    logged.push_back(l.positive ? d : -d);
  }
  learnt_log_.push_back(std::move(logged));

  const Lit asserted = learnt[0];
  const bool watched = learnt.size() >= 2;
  const Lit second = watched ? learnt[1] : asserted;
  std::size_t index = push_clause(std::move(learnt), true);
  if (watched) {
    watches_[code(asserted)].push_back(index);
    watches_[code(second)].push_back(index);
  }
  backjump(bt);
  assign(asserted, index);
  var_inc_ /= decay_;
}

void ReferenceSolver::backjump(std::size_t b) {
  const std::size_t s = trail_lim_[b + 1];
  for (std::size_t i = s; i < trail_.size(); ++i) {
    values_[trail_[i].var] = 2;
    trail_pos_[trail_[i].var].reset();
  }
  trail_.resize(s);
  trail_lim_.resize(b + 1);
  qhead_ = std::min(qhead_, s);
}

std::optional<std::size_t> ReferenceSolver::decide() const {
  std::optional<std::size_t> best;
  for (std::size_t v = 0; v < num_vars_; ++v) {
    if (values_[v] != 2) continue;
    if (!best || activity_[v] >= activity_[*best]) best = v;
  }
  return best;
}

SolverResult ReferenceSolver::solve(Cancel& cancel) {
  for (const Clause& c : clauses_) {
    if (c.lits.empty() && !c.removed) return SolverResult::unsat();
  }
  for (;;) {
    if (std::optional<std::size_t> conflict = propagate()) {
      if (level() == 0) return SolverResult::unsat();
      ++stats_.conflicts;
      cancel.tick();
      resolve_conflict(*conflict);
      continue;
    }
    std::optional<std::size_t> v = decide();
    if (!v) break;
    ++stats_.decisions;
    cancel.tick();
    trail_lim_.push_back(trail_.size());
    assign({*v, true}, std::nullopt);
  }
  Assignment model;
  model.reserve(num_vars_);
  for (std::size_t v = 0; v < num_vars_; ++v) model.append(v, Value::boolean(values_[v] == 1));
  return SolverResult::sat(std::move(model));
}

}  // namespace mivex::sat
