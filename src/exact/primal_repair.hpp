// Going on exactly from a proposed basis that did not certify: when its
// point is feasible, the exact primal simplex (Bland's rule, so it ends)
// pivots from it to an optimal basis or an unbounded ray. A basis that
// floating point nearly got right needs a few pivots here instead of the
// whole textbook run from the start.
#pragma once

#include <cstddef>
#include <optional>

#include "core/cancel.hpp"
#include "exact/lp_exact.hpp"
#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"

namespace mivex::exact {

// A certified answer, or nothing when `start` is singular, its point is
// infeasible, or `max_pivots` pivots did not finish.
std::optional<LpAnswer> continue_primal(const lp::ColumnForm& form, const lp::Basis& start, std::size_t max_pivots,
                                        Cancel& cancel);

}  // namespace mivex::exact
