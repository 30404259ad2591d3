// Random small CP problems for differential tests, and their CP text.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "core/cp_problem.hpp"

namespace mivex::cp::random {

// Small domains around zero; domains placed at the ends of the 64-bit range
// with extreme coefficients and constants (to exercise the exact arithmetic);
// or unit two-variable constraints (x <= y + c, and a x -+ a y + ... in
// linear form) that often form cycles.
enum class Flavor { Small, Extreme, Difference };

CpProblem random_problem(std::mt19937_64& rng, Flavor flavor);

std::string to_text(const CpProblem& problem);

}  // namespace mivex::cp::random
