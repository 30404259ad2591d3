// The floating-point side of the fast path: a simplex run in double
// precision (CLP) that proposes a final basis. Nothing it returns is trusted;
// the exact certificates decide.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "lp/certify.hpp"
#include "lp/column_form.hpp"

namespace mivex::lp {

struct Proposal {
  enum class Status : std::uint8_t { Optimal, Infeasible, Unbounded, Failed };
  Status status = Status::Failed;
  Basis basis;  // the final basis, unless Failed
};

// Solve `form` in floating point. Failed when a number has no finite double
// or the run ends without a verdict. A pending interrupt (Cancel) stops the
// run within an iteration and is rethrown here.
Proposal propose(const ColumnForm& form, Cancel& cancel);

// A WeightSearch (certify.hpp): the multipliers that maximise the smallest
// combined entry, when that is positive.
std::optional<std::vector<double>> find_weights(const std::vector<std::vector<double>>& k,
                                                const std::vector<bool>& free, Cancel& cancel);

}  // namespace mivex::lp
