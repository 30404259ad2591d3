// Exact evaluation of a constraint at a full assignment: the last line of
// defence before a model leaves the solver.
#pragma once

#include <cstdint>
#include <span>

#include "core/cp_problem.hpp"

namespace mivex::cp {

// Whether `constraint` holds when variable i takes values[i].
bool holds(const CpConstraint& constraint, std::span<const std::int64_t> values);

// Whether `values` gives every variable a value in its declared range and
// satisfies every constraint.
bool is_solution(const CpProblem& problem, std::span<const std::int64_t> values);

}  // namespace mivex::cp
