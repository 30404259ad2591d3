// A linear constraint whose merged coefficients do not fit in 64 bits (only
// possible when one variable is named several times with large coefficients).
// Rare, so it is propagated with arbitrary-precision numbers, term by term.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <gmpxx.h>

#include "cp/exact_math.hpp"
#include "core/cp_problem.hpp"

namespace mivex::cp {

struct WideLinear {
  std::vector<std::pair<mpz_class, std::uint32_t>> terms;  // nonzero, distinct variables
  mpz_class rhs;
  CpConstraint::Rel rel;
};

std::shared_ptr<const WideLinear> make_wide_linear(const std::vector<std::pair<i128, std::uint32_t>>& terms,
                                                   std::int64_t rhs, CpConstraint::Rel rel);

mpz_class to_mpz(i128 value);

}  // namespace mivex::cp
