// The pivot-rule path: phase 1 on the sum of the artificial columns, phase 2
// on the objective, and phase 2 again after driving out artificials when its
// first run lifts one; with the pivots a log lets it repeat taken as made.
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "lp/restart.hpp"
#include "lp/revised_simplex.hpp"
#include "lp/solver.hpp"

namespace mivex::lp {

// A basis: the column at each position.
using Columns = std::vector<std::uint32_t>;

namespace {

bool any_artificial_in(const StandardForm& form, const Columns& basis) {
  return std::any_of(basis.begin(), basis.end(), [&](std::uint32_t c) { return form.is_artificial(c); });
}

// The answer is unsound when a basic artificial has left zero, or when the
// unbounded direction would move one.
bool sound(const RevisedSimplex& s, const PhaseEnd& e) {
  for (std::size_t p = 0; p < s.num_rows(); ++p) {
    if (!s.artificial_basic(p)) continue;
    const Rational& v = e.optimal ? s.values()[p] : s.entering_entry(p);
    if (!v.is_zero()) return false;
  }
  return true;
}

}  // namespace

// What the pivots take as made from the base log, worked out once: how
// many, and the bases the phases start from.
struct LpSolver::ReplayPlan {
  const PivotLog* base = nullptr;  // null: nothing repeats
  std::size_t resume = 0;          // pivots taken as made
  std::size_t base_phase1 = 0;     // the base's phase-1 pivots
  Columns start;                     // the form's starting basis
  Columns resumed;                   // after the `resume` pivots
  Columns phase1_end;                // after the base's phase 1, where all of it is repeated
  // The whole of the base's phase 1 is repeated, and some of phase 2.
  bool into_phase2() const { return resume > base_phase1; }
};

LpSolver::ReplayPlan LpSolver::plan_replay(bool any_artificial) const {
  const StandardForm& form = *form_;
  ReplayPlan plan;
  plan.start.resize(form.num_rows());
  for (std::size_t p = 0; p < plan.start.size(); ++p) plan.start[p] = form.start_basic(p);
  // Only a program with the same phases can repeat the base's pivots.
  const PivotLog* base = base_.get();
  if (base == nullptr || !base->complete || base->has_phase1 != any_artificial) return plan;
  plan.resume = std::min(resume_, base->steps.size());
  if (plan.resume == 0) return plan;
  plan.base = base;
  plan.base_phase1 = base->phase1;
  // Rows the base lacks keep their starting columns.
  auto after = [&](std::size_t k) {
    Columns basis = plan.start;
    base->apply(basis, 0, k);
    return basis;
  };
  plan.resumed = after(plan.resume);
  if (plan.resume >= plan.base_phase1) plan.phase1_end = after(plan.base_phase1);
  return plan;
}

PhaseEnd LpSolver::counted(const PhaseEnd& end) {
  stats_.pivots += end.pivots;
  stats_.bland = stats_.bland || end.bland;
  return end;
}

void LpSolver::start_log(RevisedSimplex& simplex, const ReplayPlan& plan) {
  if (log_ == nullptr) return;
  if (plan.resume > 0) {
    log_->start_from(*plan.base, plan.resume, form_->num_structural());
  } else {
    log_->start(form_->num_structural());
  }
  simplex.record_log(log_);
}

bool LpSolver::phase1(RevisedSimplex& simplex, const ReplayPlan& plan, Cancel& cancel,
                      std::optional<Columns>& after_phase1) {
  if (log_ != nullptr) log_->has_phase1 = true;
  if (plan.into_phase2()) {
    // The whole phase repeats the base's, which ended feasible.
    counted(simplex.repeat_phase({&plan.start, plan.base->steps.data(), plan.base_phase1}));
    if (log_ != nullptr) log_->phase1 = plan.base_phase1;
    if (any_artificial_in(*form_, plan.phase1_end)) after_phase1 = plan.phase1_end;
    return true;
  }
  const Replay replay{&plan.start, plan.base != nullptr ? plan.base->steps.data() : nullptr, plan.resume};
  if (plan.resume > 0) simplex.set_basis(plan.resumed);
  simplex.set_costs(RevisedSimplex::Costs::SumOfArtificials);
  if (!counted(simplex.run_phase(false, cancel, plan.resume > 0 ? &replay : nullptr)).optimal) return false;
  if (!simplex.artificial_sum().is_zero()) return false;
  if (log_ != nullptr) log_->phase1 = log_->steps.size();
  // Artificials still basic (at zero) may be pushed up by phase 2; keep
  // this basis to start over from if that happens.
  if (any_artificial_in(*form_, simplex.basis())) after_phase1 = simplex.basis();
  return true;
}

PhaseEnd LpSolver::phase2(RevisedSimplex& simplex, const ReplayPlan& plan, Cancel& cancel) {
  if (!plan.into_phase2()) {
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    return counted(simplex.run_phase(true, cancel));
  }
  const Replay replay{&plan.phase1_end, plan.base->steps.data() + plan.base_phase1, plan.resume - plan.base_phase1};
  simplex.set_basis(plan.resumed);
  simplex.set_costs(RevisedSimplex::Costs::Objective);
  return counted(simplex.run_phase(true, cancel, &replay));
}

LpResult LpSolver::restart(RevisedSimplex& simplex, const ReplayPlan& plan, const Columns& after_phase1,
                           Cancel& cancel) {
  // The second run starts from the basis phase 1 ended with: where phase 1
  // repeated all of the base's and ended on its basis, it repeats the
  // base's second run as far as the caller has shown.
  const PivotLog* base_restart = plan.base != nullptr ? plan.base->restart.get() : nullptr;
  std::size_t repeat = 0;
  if (plan.resume >= plan.base_phase1 && base_restart != nullptr && base_restart->complete &&
      restart_resume_ >= base_restart->drive_out && after_phase1 == plan.phase1_end) {
    repeat = std::min(restart_resume_, base_restart->steps.size());
  }
  // The log ends where the first run went wrong: it holds the pivots up to
  // there, which a program with rows added may still repeat.
  std::shared_ptr<PivotLog> restart_log;
  if (log_ != nullptr) {
    log_->finish();
    simplex.record_log(nullptr);
    restart_log = std::make_shared<PivotLog>();
    if (repeat > 0) {
      restart_log->start_from(*base_restart, repeat, form_->num_structural());
    } else {
      restart_log->start(form_->num_structural());
    }
  }
  RestartEnd again = run_restart(simplex, after_phase1, cancel, base_restart, repeat, restart_log.get());
  stats_.restarted = true;
  stats_.restart_repeated = repeat;
  if (restart_log != nullptr && restart_log->complete) log_->restart = std::move(restart_log);
  stats_.pivots += again.drive_out;
  const PhaseEnd end = counted(again.end);
  if (!sound(simplex, end)) stop("artificial column left zero after the drive-out");
  if (!end.optimal) return LpResult::unbounded();
  return finish(simplex.values(), simplex.basis());
}

LpResult LpSolver::pivots(Cancel& cancel) {
  RevisedSimplex simplex(form_);
  simplex.record_trace(trace_);
  simplex.verify_updates(verify_);
  bool any_artificial = false;
  for (const auto& aux : form_->aux()) any_artificial = any_artificial || aux.kind == StandardForm::AuxKind::Artificial;
  const ReplayPlan plan = plan_replay(any_artificial);
  start_log(simplex, plan);
  std::optional<Columns> after_phase1;
  if (any_artificial && !phase1(simplex, plan, cancel, after_phase1)) return LpResult::infeasible();
  const PhaseEnd end = phase2(simplex, plan, cancel);
  if (sound(simplex, end)) {
    if (!end.optimal) return LpResult::unbounded();
    if (log_ != nullptr) log_->finish();
    return finish(simplex.values(), simplex.basis());
  }
  // Start phase 2 again from a basis without artificials in the
  // non-redundant rows.
  if (!after_phase1) stop("basic artificial column without a phase-1 basis");
  return restart(simplex, plan, *after_phase1, cancel);
}

}  // namespace mivex::lp
