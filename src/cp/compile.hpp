// From a constraint as read to the propagator that the solver runs.
#pragma once

#include <optional>
#include <vector>

#include "core/cp_problem.hpp"
#include "cp/propagator.hpp"
#include "cp/store.hpp"

namespace mivex::cp {

// What a constraint becomes before solving: a propagator, nothing (it holds
// whatever the values), or a proof that it can never hold.
struct Compiled {
  enum class Status { Propagate, AlwaysTrue, AlwaysFalse };
  Status status;
  std::optional<Propagator> propagator;
};

// Linear terms on the same variable are merged (x + x is 2x, x - x is 0) and
// zero terms dropped, so that every term's rest really is the other variables.
// `declared` holds every variable's declared (non-empty) range.
Compiled compile(const CpConstraint& constraint, const std::vector<Interval>& declared);

}  // namespace mivex::cp
