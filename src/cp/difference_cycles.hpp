// Two propagators that keep narrowing each other by one step (x <= y - 1 and
// y <= x - 1, or x + y <= 0 and x + y >= 1, on a wide range) would take as
// many rounds as the range is wide before failing. Such constraints have two
// variables with unit coefficients: +-x +-y <= w. At any fixpoint that does
// not fail, each holds between bounds: with p(x+) = hi(x) and p(x-) = -lo(x),
// +-x +-y <= w gives p(x+-) <= p(y-+) + w. A cycle of such edges with a
// negative total weight contradicts that, so finding one proves that
// propagation at this node ends in failure: failing at once changes nothing
// but the time.
#pragma once

#include <cstdint>
#include <vector>

#include "cp/propagator.hpp"
#include "cp/store.hpp"

namespace mivex::cp {

// Whether the unit two-variable constraints implied by the propagators at the
// current domains (Eq, Lt, Le, and every pair of unfixed Linear terms with
// coefficients of one magnitude, the other terms at their extreme sums) form
// a negative cycle. Gives up (false) after about `budget` edge relaxations.
bool has_negative_cycle(const std::vector<Propagator>& propagators, const Store& store,
                        std::uint64_t budget);

}  // namespace mivex::cp
