#include "lp/simplex/second_run.hpp"

#include "core/error.hpp"

namespace mivex::lp {

SecondRunEnd run_second(RevisedSimplex& simplex, const std::vector<std::uint32_t>& basis, Cancel& cancel,
                       const PivotLog* base, std::size_t repeat, PivotLog* log) {
  SecondRunEnd out;
  if (log != nullptr) simplex.record_log(log);
  if (base != nullptr && repeat > 0) {
    if (repeat < base->drive_out) stop("pivot log does not fit the program");
    // The drive-out's pivots, then phase 2's first ones, repeated.
    std::vector<std::uint32_t> after_drive_out = basis;
    base->apply(after_drive_out, 0, base->drive_out);
    std::vector<std::uint32_t> now = after_drive_out;
    base->apply(now, base->drive_out, repeat);
    simplex.repeat_steps(base->steps.data(), base->drive_out);
    out.drive_out = base->drive_out;
    simplex.set_basis(now);
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    const RepeatedSteps repeated{&after_drive_out, base->steps.data() + base->drive_out, repeat - base->drive_out};
    out.end = simplex.run_phase(true, cancel, &repeated);
  } else {
    simplex.set_basis(basis);
    out.drive_out = simplex.drive_out_artificials(cancel);
    if (log != nullptr) log->drive_out = out.drive_out;
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    out.end = simplex.run_phase(true, cancel);
  }
  if (log != nullptr) {
    log->finish();
    simplex.record_log(nullptr);
  }
  return out;
}

}  // namespace mivex::lp
