// The whole solve_milp_text path: read the text, solve, return the outcome.
#pragma once

#include <string_view>

#include "core/cancel.hpp"
#include "core/outcome.hpp"
#include "core/solver_result.hpp"

namespace mivex::api {

Outcome<LpResult> solve_milp_text(std::string_view text, Cancel& cancel);

}  // namespace mivex::api
