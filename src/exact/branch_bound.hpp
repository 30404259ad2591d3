// Exact branch and bound for models with integer columns. Each node's LP is
// solved exactly (solve_relaxation), so a pruned node is pruned by a proved
// bound and the incumbent is an exactly feasible integer point. The search
// dives from each branching into the child nearer the LP point until it has
// an incumbent, and otherwise takes the open node of least bound (ties by
// creation order), so without a time limit it is deterministic.
#pragma once

#include "core/cancel.hpp"
#include "exact/answer.hpp"
#include "exact/model.hpp"

namespace mivex::exact {

Answer branch_and_bound(const Model& model, const Limits& limits, Cancel& cancel);

}  // namespace mivex::exact
