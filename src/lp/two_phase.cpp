// The pivot-rule path: phase 1 on the sum of the artificial columns, phase 2
// on the objective, and phase 2 again after driving out artificials when its
// first run lifts one; with the pivots a log lets it repeat taken as made.
#include <algorithm>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "lp/revised_simplex.hpp"
#include "lp/solver.hpp"
#include "lp/restart.hpp"

namespace mivex::lp {

LpResult LpSolver::pivots(Cancel& cancel) {
  const StandardForm& form = *form_;
  const std::size_t m = form.num_rows();
  auto count = [this](const PhaseEnd& end) {
    stats_.pivots += end.pivots;
    stats_.bland = stats_.bland || end.bland;
    return end;
  };

  RevisedSimplex simplex(form_);
  simplex.record_trace(trace_);
  simplex.verify_updates(verify_);

  bool any_artificial = false;
  for (const auto& aux : form.aux()) any_artificial = any_artificial || aux.kind == StandardForm::AuxKind::Artificial;

  // Pivots repeated from the base log: only a program with the same phases
  // can repeat them.
  const PivotLog* base = base_.get();
  std::size_t resume = 0;
  if (base != nullptr && base->complete && base->has_phase1 == any_artificial) {
    resume = std::min(resume_, base->steps.size());
  }
  if (log_ != nullptr) {
    if (resume > 0) {
      log_->start_from(*base, resume, form.num_structural());
    } else {
      log_->start(form.num_structural());
    }
    simplex.record_log(log_);
  }
  // The basis after the base's first `k` pivots, rows it lacks keeping
  // their starting columns.
  auto basis_after = [&](std::size_t k) {
    std::vector<std::uint32_t> basis(m);
    for (std::size_t p = 0; p < m; ++p) basis[p] = form.start_basic(p);
    if (k > 0) base->apply(basis, 0, k);
    return basis;
  };
  const std::size_t base_phase1 = base != nullptr ? base->phase1 : 0;
  // Where phase 2 starts when the base's whole phase 1 is repeated.
  std::vector<std::uint32_t> phase2_start;
  if (resume > base_phase1) phase2_start = basis_after(base_phase1);
  auto any_artificial_in = [&](const std::vector<std::uint32_t>& basis) {
    return std::any_of(basis.begin(), basis.end(), [&](std::uint32_t c) { return form.is_artificial(c); });
  };

  // Phase 1: minimise the sum of the artificial columns.
  std::optional<std::vector<std::uint32_t>> after_phase1;
  if (any_artificial) {
    if (log_ != nullptr) log_->has_phase1 = true;
    if (resume > base_phase1) {
      // The whole phase repeats the base's, which ended feasible.
      const auto start = basis_after(0);
      count(simplex.repeat_phase({&start, base->steps.data(), base_phase1}));
      if (log_ != nullptr) log_->phase1 = base_phase1;
      if (any_artificial_in(phase2_start)) after_phase1 = phase2_start;
    } else {
      const auto start = basis_after(0);
      const Replay replay{&start, base != nullptr ? base->steps.data() : nullptr, resume};
      if (resume > 0) simplex.set_basis(basis_after(resume));
      simplex.set_costs(RevisedSimplex::Costs::SumOfArtificials);
      if (!count(simplex.run_phase(false, cancel, resume > 0 ? &replay : nullptr)).optimal) return LpResult::infeasible();
      if (!simplex.artificial_sum().is_zero()) return LpResult::infeasible();
      if (log_ != nullptr) log_->phase1 = log_->steps.size();
      // Artificials still basic (at zero) may be pushed up by phase 2; keep
      // this basis to start over from if that happens.
      if (any_artificial_in(simplex.basis())) after_phase1 = simplex.basis();
    }
  }
  // The second run of phase 2 starts from the basis phase 1 ended with:
  // where phase 1 repeated all of the base's and ended on its basis, it
  // repeats the base's second run as far as the caller has shown.
  std::size_t restart_resume = 0;
  const PivotLog* base_restart = base != nullptr ? base->restart.get() : nullptr;
  if (resume > 0 && resume >= base_phase1 && base_restart != nullptr && base_restart->complete &&
      restart_resume_ >= base_restart->drive_out && after_phase1 && *after_phase1 == basis_after(base_phase1)) {
    restart_resume = std::min(restart_resume_, base_restart->steps.size());
  }
  // The second run's log, made only when that run starts.
  std::shared_ptr<PivotLog> restart_log;
  auto new_restart_log = [&]() -> PivotLog* {
    if (log_ == nullptr) return nullptr;
    restart_log = std::make_shared<PivotLog>();
    if (restart_resume > 0) {
      restart_log->start_from(*base_restart, restart_resume, form.num_structural());
    } else {
      restart_log->start(form.num_structural());
    }
    return restart_log.get();
  };
  PhaseEnd end;
  if (resume > base_phase1) {
    const Replay replay{&phase2_start, base->steps.data() + base_phase1, resume - base_phase1};
    simplex.set_basis(basis_after(resume));
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    end = count(simplex.run_phase(true, cancel, &replay));
  } else {
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    end = count(simplex.run_phase(true, cancel));
  }
  // The answer is unsound when a basic artificial has left zero, or when the
  // unbounded direction would move one. Then start phase 2 again from a
  // basis without artificials in the non-redundant rows.
  auto sound = [m](const RevisedSimplex& s, const PhaseEnd& e) {
    for (std::size_t p = 0; p < m; ++p) {
      if (!s.artificial_basic(p)) continue;
      const Rational& v = e.optimal ? s.values()[p] : s.entering_entry(p);
      if (!v.is_zero()) return false;
    }
    return true;
  };
  if (sound(simplex, end)) {
    if (!end.optimal) return LpResult::unbounded();
    if (log_ != nullptr) log_->finish();
    return finish(simplex.values(), simplex.basis());
  }
  if (!after_phase1) stop("basic artificial column without a phase-1 basis");
  // The log ends here: it holds the pivots up to this point, which a
  // program with rows added may still repeat.
  if (log_ != nullptr) log_->finish();
  simplex.record_log(nullptr);
  RestartEnd again = run_restart(simplex, *after_phase1, cancel, base_restart, restart_resume, new_restart_log());
  stats_.restarted = true;
  stats_.restart_repeated = restart_resume;
  if (restart_log != nullptr && restart_log->complete) log_->restart = std::move(restart_log);
  stats_.pivots += again.drive_out;
  end = count(again.end);
  if (!sound(simplex, end)) stop("artificial column left zero after the drive-out");
  if (!end.optimal) return LpResult::unbounded();
  return finish(simplex.values(), simplex.basis());
}

}  // namespace mivex::lp
