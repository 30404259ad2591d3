// The last guard before a SAT answer leaves the solver: the model must make
// every clause of the problem, exactly as read, true.
#pragma once

#include "core/assignment.hpp"
#include "parser/dimacs.hpp"

namespace mivex::sat {

// Stops the call (internal stop) when some clause has no true literal.
void check_model(const parser::DimacsProblem& problem, const Assignment& model);

}  // namespace mivex::sat
