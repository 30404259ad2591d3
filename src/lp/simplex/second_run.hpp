// Phase 2 run again from the basis phase 1 ended with, its artificials
// driven out first: what the pivots do when the first run of phase 2 ends
// with an artificial above zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/cancel.hpp"
#include "lp/simplex/pivot_log.hpp"
#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

struct SecondRunEnd {
  std::size_t drive_out = 0;  // pivots that drove artificials out
  PhaseEnd end;               // of phase 2 after them
};

// The second run on `simplex`, from the basis phase 1 ended with. Its
// first `repeat` pivots are repeated from `base`, the second run's log
// of a program this one adds rows to (the caller has shown they would be
// repeated: at least the drive-out). `log`, when not null and already
// started, keeps this run's pivots and ends finished.
SecondRunEnd run_second(RevisedSimplex& simplex, const std::vector<std::uint32_t>& basis, Cancel& cancel,
                       const PivotLog* base = nullptr, std::size_t repeat = 0, PivotLog* log = nullptr);

}  // namespace mivex::lp
