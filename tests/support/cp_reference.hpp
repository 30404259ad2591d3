// The test oracle: a direct transcription of the propagation and search rules
// (full sweeps over every constraint, a copy of every domain per tried value,
// recursion), with exact arbitrary-precision arithmetic and the sound
// treatment of repeated variables. Slow on purpose; only for small problems.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/cp_problem.hpp"

namespace mivex::cp::reference {

using Domains = std::vector<std::pair<std::int64_t, std::int64_t>>;

// One application of the constraint's propagator, in its step order.
bool propagate(const CpConstraint& constraint, Domains& domains);

// Sweeps until one sweep changes nothing; false as soon as one fails.
bool propagate_all(const std::vector<CpConstraint>& constraints, Domains& domains);

// The answer of the whole path: the first solution in search order, or none.
std::optional<std::vector<std::int64_t>> solve(const CpProblem& problem);

}  // namespace mivex::cp::reference
