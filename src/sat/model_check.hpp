// The last guard before a SAT answer leaves the solver: the model must make
// every clause of the problem, exactly as read, true.
#pragma once

#include <cstdint>
#include <span>

#include "core/assignment.hpp"

namespace mivex::sat {

// Clauses in DIMACS form (signed variable numbers from 1, no closing 0).
using ClauseSpans = std::span<const std::span<const std::int32_t>>;

// Stops the call (internal stop) when some clause has no true literal.
void check_model(ClauseSpans clauses, const Assignment& model);

}  // namespace mivex::sat
