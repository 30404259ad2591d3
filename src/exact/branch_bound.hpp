// Exact branch and bound for models with integer columns. Each node's LP is
// solved exactly (node_lps.hpp), so a pruned node is pruned by a proved
// bound and the incumbent is an exactly feasible integer point. Until it
// has an incumbent the search goes depth first (into the child nearer the
// LP point, then the newest open node); after, it dives no more and takes
// the open node of least bound (ties by creation order). Without a time
// limit it is deterministic.
#pragma once

#include "core/cancel.hpp"
#include "exact/answer.hpp"
#include "exact/model.hpp"

namespace mivex::exact {

Answer branch_and_bound(const Model& model, const Limits& limits, Cancel& cancel);

}  // namespace mivex::exact
