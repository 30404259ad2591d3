// Variables tied by equalities (x = y + c) and also required to differ, as in
// "eq x y" with "neq x y": the search would try every value of a wide domain,
// each failing at once. Grouping the equalities into classes (union-find with
// offsets) finds such pairs before any search.
#pragma once

#include <cstddef>
#include <vector>

#include "cp/propagator.hpp"

namespace mivex::cp {

// Whether some Neq or AllDifferent asks two variables to differ that the Eq
// propagators force to be equal (or the equalities contradict each other).
bool equal_but_different(const std::vector<Propagator>& propagators, std::size_t num_vars);

}  // namespace mivex::cp
