// The pivot-rule path: phase 1 on the sum of the artificial columns, phase 2
// on the objective, and phase 2 again after driving out artificials when its
// first run lifts one; the pivots a log shows it would make are repeated.
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "lp/simplex/second_run.hpp"
#include "lp/simplex/revised_simplex.hpp"
#include "lp/simplex/two_phase.hpp"

namespace mivex::lp {

using Columns = TwoPhase::Columns;

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

// What the pivots repeat from the base log, worked out once: how
// many, and the bases the phases start from.
struct TwoPhase::RepeatPlan {
  const PivotLog* base = nullptr;  // null: nothing repeats
  std::size_t repeat = 0;          // pivots repeated
  std::size_t base_phase1 = 0;     // the base's phase-1 pivots
  Columns start;                     // the form's starting basis
  Columns after_repeat;             // after the `repeat` pivots
  Columns phase1_end;                // after the base's phase 1, where all of it is repeated
  // The whole of the base's phase 1 is repeated, and some of phase 2.
  bool into_phase2() const { return repeat > base_phase1; }
};

TwoPhase::RepeatPlan TwoPhase::plan_repeats(bool any_artificial) const {
  const StandardForm& form = *form_;
  RepeatPlan plan;
  plan.start.resize(form.num_rows());
  for (std::size_t p = 0; p < plan.start.size(); ++p) plan.start[p] = form.start_basic(p);
  // Only a program with the same phases can repeat the base's pivots.
  const PivotLog* base = base_;
  if (base == nullptr || !base->complete || base->has_phase1 != any_artificial) return plan;
  plan.repeat = std::min(repeat_, base->steps.size());
  if (plan.repeat == 0) return plan;
  plan.base = base;
  plan.base_phase1 = base->phase1;
  // Rows the base lacks keep their starting columns.
  auto after = [&](std::size_t k) {
    Columns basis = plan.start;
    base->apply(basis, 0, k);
    return basis;
  };
  plan.after_repeat = after(plan.repeat);
  if (plan.repeat >= plan.base_phase1) plan.phase1_end = after(plan.base_phase1);
  return plan;
}

PhaseEnd TwoPhase::counted(const PhaseEnd& end) {
  stats_.pivots += end.pivots;
  stats_.bland = stats_.bland || end.bland;
  return end;
}

void TwoPhase::start_log(RevisedSimplex& simplex, const RepeatPlan& plan) {
  if (log_ == nullptr) return;
  if (plan.repeat > 0) {
    log_->start_from(*plan.base, plan.repeat, form_->num_structural());
  } else {
    log_->start(form_->num_structural());
  }
  simplex.record_log(log_);
}

bool TwoPhase::phase1(RevisedSimplex& simplex, const RepeatPlan& plan, Cancel& cancel,
                      std::optional<Columns>& after_phase1) {
  if (log_ != nullptr) log_->has_phase1 = true;
  if (plan.into_phase2()) {
    // The whole phase repeats the base's, which ended feasible.
    counted(simplex.repeat_phase({&plan.start, plan.base->steps.data(), plan.base_phase1}));
    if (log_ != nullptr) log_->phase1 = plan.base_phase1;
    if (any_artificial_in(*form_, plan.phase1_end)) after_phase1 = plan.phase1_end;
    return true;
  }
  const RepeatedSteps steps{&plan.start, plan.base != nullptr ? plan.base->steps.data() : nullptr, plan.repeat};
  if (plan.repeat > 0) simplex.set_basis(plan.after_repeat);
  simplex.set_costs(RevisedSimplex::Costs::SumOfArtificials);
  if (!counted(simplex.run_phase(false, cancel, plan.repeat > 0 ? &steps : nullptr)).optimal) return false;
  if (!simplex.artificial_sum().is_zero()) return false;
  if (log_ != nullptr) log_->phase1 = log_->steps.size();
  // Artificials still basic (at zero) may be pushed up by phase 2; keep
  // this basis to start over from if that happens.
  if (any_artificial_in(*form_, simplex.basis())) after_phase1 = simplex.basis();
  return true;
}

PhaseEnd TwoPhase::phase2(RevisedSimplex& simplex, const RepeatPlan& plan, Cancel& cancel) {
  if (!plan.into_phase2()) {
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    return counted(simplex.run_phase(true, cancel));
  }
  const RepeatedSteps steps{&plan.phase1_end, plan.base->steps.data() + plan.base_phase1, plan.repeat - plan.base_phase1};
  simplex.set_basis(plan.after_repeat);
  simplex.set_costs(RevisedSimplex::Costs::Objective);
  return counted(simplex.run_phase(true, cancel, &steps));
}

PivotsEnd TwoPhase::second_run(RevisedSimplex& simplex, const RepeatPlan& plan, const Columns& after_phase1,
                           Cancel& cancel) {
  // The second run starts from the basis phase 1 ended with: where phase 1
  // repeated all of the base's and ended on its basis, it repeats the
  // base's second run as far as the caller has shown.
  const PivotLog* base_second = plan.base != nullptr ? plan.base->second_run.get() : nullptr;
  std::size_t repeat = 0;
  if (plan.repeat >= plan.base_phase1 && base_second != nullptr && base_second->complete &&
      second_run_repeat_ >= base_second->drive_out && after_phase1 == plan.phase1_end) {
    repeat = std::min(second_run_repeat_, base_second->steps.size());
  }
  // The log ends where the first run went wrong: it holds the pivots up to
  // there, which a program with rows added may still repeat.
  std::shared_ptr<PivotLog> second_log;
  if (log_ != nullptr) {
    log_->finish();
    simplex.record_log(nullptr);
    second_log = std::make_shared<PivotLog>();
    if (repeat > 0) {
      second_log->start_from(*base_second, repeat, form_->num_structural());
    } else {
      second_log->start(form_->num_structural());
    }
  }
  SecondRunEnd again = run_second(simplex, after_phase1, cancel, base_second, repeat, second_log.get());
  stats_.second_run = true;
  stats_.second_run_repeated = repeat;
  if (second_log != nullptr && second_log->complete) log_->second_run = std::move(second_log);
  stats_.pivots += again.drive_out;
  const PhaseEnd end = counted(again.end);
  if (!sound(simplex, end)) stop("artificial column left zero after the drive-out");
  if (!end.optimal) return PivotsEnd{PivotsEnd::Kind::Unbounded, {}, {}};
  return {PivotsEnd::Kind::Optimal, simplex.values(), simplex.basis()};
}

std::optional<Rational> TwoPhase::floor() {
  std::optional<Rational> more = more_floor_ ? more_floor_() : std::nullopt;
  if (!more || (floor_ && !(*floor_ < *more))) return floor_;
  return more;
}

PivotsEnd TwoPhase::run(Cancel& cancel) {
  stats_ = PivotStats();
  RevisedSimplex simplex(form_);
  if (start_bounded_) simplex.start_from_bounds();
  if (lift_ties_) simplex.use_lifting(RevisedSimplex::Lifting::Always);
  PivotsEnd end = run_phases(simplex, cancel);
  stats_.bounds_paid = simplex.bounds_paid();
  return end;
}

PivotsEnd TwoPhase::run_phases(RevisedSimplex& simplex, Cancel& cancel) {
  simplex.record_trace(trace_);
  simplex.verify_updates(verify_);
  const bool any_artificial = form_->has_artificial();
  const RepeatPlan plan = plan_repeats(any_artificial);
  start_log(simplex, plan);
  std::optional<Columns> after_phase1;
  if (any_artificial && !phase1(simplex, plan, cancel, after_phase1)) return PivotsEnd{PivotsEnd::Kind::Infeasible, {}, {}};
  // Only artificials left basic can take the first run below the optimum.
  if (after_phase1 && (floor_ || more_floor_)) simplex.stop_below([this] { return floor(); });
  const PhaseEnd end = phase2(simplex, plan, cancel);
  simplex.stop_below({});
  stats_.below_floor = end.below_floor;
  if (!end.below_floor && sound(simplex, end)) {
    if (!end.optimal) return PivotsEnd{PivotsEnd::Kind::Unbounded, {}, {}};
    if (log_ != nullptr) log_->finish();
    return {PivotsEnd::Kind::Optimal, simplex.values(), simplex.basis()};
  }
  // Start phase 2 again from a basis without artificials in the
  // non-redundant rows.
  if (!after_phase1) stop("basic artificial column without a phase-1 basis");
  return second_run(simplex, plan, *after_phase1, cancel);
}

}  // namespace mivex::lp
