// The assignment and the trail: which literals are true, in the order they
// were made true, at which decision level and for which reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sat/clause.hpp"
#include "sat/literal.hpp"

namespace mivex::sat {

class Trail {
 public:
  void grow(std::size_t num_vars) {
    values_.resize(2 * num_vars, LBool::Undef);
    level_.resize(num_vars, 0);
    reason_.resize(num_vars, kNoClause);
  }
  void reserve(std::size_t num_vars) { lits_.reserve(num_vars); }

  LBool value(Lit l) const { return values_[l.code]; }
  bool assigned(Var v) const { return values_[2 * static_cast<std::size_t>(v)] != LBool::Undef; }
  std::uint32_t level_of(Var v) const { return level_[v]; }
  ClauseRef reason_of(Var v) const { return reason_[v]; }

  // The current decision level; level 0 holds what needs no decision.
  std::uint32_t level() const { return static_cast<std::uint32_t>(lim_.size() - 1); }
  void open_level() { lim_.push_back(lits_.size()); }

  // Makes `l` true at the current level.
  void assign(Lit l, ClauseRef reason) {
    values_[l.code] = LBool::True;
    values_[(~l).code] = LBool::False;
    level_[l.var()] = level();
    reason_[l.var()] = reason;
    lits_.push_back(l);
  }

  // Undoes every level above `b`, calling on_unassign(var) for each variable.
  template <class F>
  void backjump(std::uint32_t b, F on_unassign) {
    const std::size_t start = lim_[b + 1];
    for (std::size_t i = start; i < lits_.size(); ++i) {
      Lit l = lits_[i];
      values_[l.code] = LBool::Undef;
      values_[(~l).code] = LBool::Undef;
      on_unassign(l.var());
    }
    lits_.resize(start);
    lim_.resize(b + 1);
    if (qhead > start) qhead = start;
  }

  std::size_t size() const { return lits_.size(); }
  Lit operator[](std::size_t i) const { return lits_[i]; }

  std::size_t qhead = 0;  // next trail entry to propagate

 private:
  std::vector<LBool> values_;          // per literal code
  std::vector<std::uint32_t> level_;   // per variable, valid while assigned
  std::vector<ClauseRef> reason_;      // per variable, kNoClause for decisions
  std::vector<Lit> lits_;              // the true literals in assignment order
  std::vector<std::size_t> lim_{0};    // trail index where each level begins
};

}  // namespace mivex::sat
