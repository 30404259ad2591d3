// Two propagators that keep narrowing each other by one step (x <= y - 1 and
// y <= x - 1 on a wide range) would take as many sweeps as the range is wide
// before failing. Such pairs are difference constraints x - y <= w forming a
// cycle of negative total weight: at any fixpoint that does not fail, every
// one of them holds between the upper bounds (hi(x) <= hi(y) + w), which a
// negative cycle contradicts. So finding one proves that propagation at this
// node ends in failure, and failing at once changes nothing but the time.
#pragma once

#include <cstdint>
#include <vector>

#include "cp/propagator.hpp"
#include "cp/store.hpp"

namespace mivex::cp {

// Whether the difference constraints implied by the propagators at the
// current domains (Eq, Lt, Le, and Linear with two unfixed terms of opposite
// coefficients) contain a negative cycle. Gives up (false) after about
// `budget` edge relaxations.
bool has_negative_cycle(const std::vector<Propagator>& propagators, const Store& store,
                        std::uint64_t budget);

}  // namespace mivex::cp
