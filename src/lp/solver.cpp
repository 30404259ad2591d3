#include "lp/solver.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "core/cores.hpp"
#include "core/error.hpp"
#include "core/memory.hpp"
#include "lp/fast_path.hpp"
#include "lp/revised_simplex.hpp"
#include "lp/solution.hpp"
#include "lp/spare_restart.hpp"

namespace mivex::lp {

namespace {

// Auto: programs of kFastPathSize and more, except the node programs of
// branch and bound (extra bound rows), whose search sets the way per node
// after timing both (a cold floating-point run per node pays on some models
// and not on others).
bool fast_path_pays(const StandardForm& form, const std::vector<linear::LinearConstraint>* extra) {
  return form.num_rows() + form.num_cols() >= kFastPathSize && (extra == nullptr || extra->empty());
}

// What a solve holds besides the factors: the matrix, and per row and per
// column a few exact numbers, doubles and indexes.
void require_memory_for(const StandardForm& form) {
  const std::uint64_t per_line = 4 * sizeof(Rational) + 4 * sizeof(std::uint64_t);
  const std::uint64_t bytes = form.own_bytes() + (form.num_rows() + form.num_cols()) * per_line;
  require_memory(bytes, "LP with " + std::to_string(form.num_rows()) + " rows and " +
                            std::to_string(form.num_cols()) + " columns");
}

}  // namespace

LpResult LpSolver::solve(Cancel& cancel) {
  values_.clear();
  objective_ = Rational();
  stats_ = SolveStats();
  if (system_ == nullptr) return LpResult::unknown(UnknownReason::internal("no system loaded"));
  if (!form_) form_ = StandardForm::of(*system_);
  require_memory_for(*form_);
  if (fast_path_ == FastPath::Race ||
      (fast_path_ == FastPath::Auto && !fast_solve_ && fast_path_pays(*form_, extra_) && spare_core())) {
    if (auto result = race(cancel)) return std::move(*result);
  }
  if (fast_path_ == FastPath::Always || fast_path_ == FastPath::Race ||
      (fast_path_ == FastPath::Auto && fast_path_pays(*form_, extra_))) {
    auto answer = fast_solve_ ? fast_solve_(cancel) : fast_path_solve(*system_, extra_, cancel);
    if (answer) return take(std::move(*answer));
  }
  return pivots(cancel);
}

LpResult LpSolver::take(FastAnswer answer) {
  stats_.fast_path = true;
  if (answer.result.kind() != LpResult::Kind::Optimal) return std::move(answer.result);
  return finish(std::move(answer.values));
}

std::optional<LpResult> LpSolver::race(Cancel& cancel) {
  // The fast path runs on a second thread while the pivots run here. Both
  // give the same answer, so the first to end answers and the other stops:
  // a miss then costs no waiting, and total work never exceeds trying the
  // fast path first. The other thread reads only what neither side writes.
  struct Shared {
    std::atomic<bool> stop{false};
    std::atomic<bool> answered{false};
    std::optional<FastAnswer> answer;
  } shared;
  auto attempt = [this, &shared] {
    Cancel stop([](void* s) { return static_cast<Shared*>(s)->stop.load(std::memory_order_relaxed); }, &shared);
    try {
      auto answer = fast_solve_ ? fast_solve_(stop) : fast_path_solve(*system_, extra_, stop);
      if (answer) {
        shared.answer = std::move(answer);
        shared.answered.store(true, std::memory_order_release);
      }
    } catch (...) {
      // Stopped, or failed: the pivots answer either way.
    }
  };
  std::thread worker;
  try {
    worker = std::thread(attempt);
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had: the caller runs one after the other
  }
  // Polled every pivot: stop once the fast path has answered, and pass the
  // caller's interrupt on.
  struct Watch {
    Shared* shared;
    Cancel* outer;
    bool beaten = false;
  } watch{&shared, &cancel};
  Cancel pivots_cancel(
      [](void* w) {
        auto* watch = static_cast<Watch*>(w);
        if (watch->shared->answered.load(std::memory_order_acquire)) return watch->beaten = true;
        watch->outer->check();
        return false;
      },
      &watch);
  std::optional<LpResult> result;
  std::exception_ptr failure;
  racing_ = true;
  try {
    result = pivots(pivots_cancel);
  } catch (const Interrupted&) {
    if (!watch.beaten) failure = std::current_exception();
  } catch (...) {
    failure = std::current_exception();
  }
  racing_ = false;
  shared.stop.store(true, std::memory_order_relaxed);
  worker.join();
  if (failure) std::rethrow_exception(failure);
  if (result) return std::move(*result);
  stats_.pivots = 0;
  stats_.bland = stats_.restarted = false;
  return take(std::move(*shared.answer));
}

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
    for (std::size_t t = 0; t < k; ++t) {
      const PivotLog::Step& s = base->steps[t];
      if (s.position >= m || basis[s.position] != s.leaving) stop("pivot log does not fit the program");
      basis[s.position] = s.entering;
    }
    return basis;
  };
  const std::size_t base_phase1 = base != nullptr ? base->phase1 : 0;

  // Phase 1: minimise the sum of the artificial columns.
  std::optional<std::vector<std::uint32_t>> after_phase1;
  if (any_artificial) {
    if (log_ != nullptr) log_->has_phase1 = true;
    if (resume > base_phase1) {
      // The whole phase repeats the base's, which ended feasible.
      const auto start = basis_after(0);
      count(simplex.repeat_phase({&start, base->steps.data(), base_phase1}));
      if (log_ != nullptr) log_->phase1 = base_phase1;
      auto end1 = basis_after(base_phase1);
      for (std::size_t p = 0; p < m; ++p) {
        if (form.is_artificial(end1[p])) {
          after_phase1 = std::move(end1);
          break;
        }
      }
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
      for (std::size_t p = 0; p < m; ++p) {
        if (simplex.artificial_basic(p)) {
          after_phase1 = simplex.basis();
          break;
        }
      }
    }
  }
  // Where a second core is free, the second run of phase 2 starts now
  // beside the first, in case the first ends unsound.
  std::optional<SpareRestart> spare;
  if (after_phase1 && parallel_restart_ && !racing_) {
    try {
      spare.emplace(form_, *after_phase1, trace_ != nullptr, verify_);
    } catch (const std::system_error&) {
      // No thread to be had: the second run, if needed, runs here after the first.
    }
  }
  PhaseEnd end;
  if (resume > base_phase1) {
    const auto start = basis_after(base_phase1);
    const Replay replay{&start, base->steps.data() + base_phase1, resume - base_phase1};
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
  RestartEnd again;
  RevisedSimplex* second = &simplex;
  if (spare) {
    second = &spare->take(cancel, again, trace_);
  } else {
    again = run_restart(simplex, *after_phase1, cancel);
  }
  stats_.restarted = true;
  stats_.pivots += again.drive_out;
  end = count(again.end);
  if (!sound(*second, end)) stop("artificial column left zero after the drive-out");
  if (!end.optimal) return LpResult::unbounded();
  return finish(second->values(), second->basis());
}

LpResult LpSolver::finish(const std::vector<Rational>& basic_values, const std::vector<std::uint32_t>& basis) {
  const std::size_t n = form_->num_structural();
  std::vector<Rational> values(n);
  for (std::size_t p = 0; p < basis.size(); ++p) {
    if (basis[p] < n) values[basis[p]] = basic_values[p];
  }
  return finish(std::move(values));
}

LpResult LpSolver::finish(std::vector<Rational> values) {
  const LinearSystem& sys = *system_;
  // The solution, checked against every constraint exactly.
  values_ = std::move(values);
  for (const auto& v : values_) {
    if (v.is_negative()) stop("LP solution has a negative variable");
  }
  for (const auto& c : sys.constraints) {
    if (!c.holds_at(values_)) stop("LP solution violates a constraint");
  }
  if (extra_ != nullptr) {
    for (const auto& c : *extra_) {
      if (!c.holds_at(values_)) stop("LP solution violates a constraint");
    }
  }
  if (sys.objective) objective_ = sys.objective->expr.evaluate(values_);
  return optimal_result(sys, values_, objective_);
}

}  // namespace mivex::lp
