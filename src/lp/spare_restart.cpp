#include "lp/spare_restart.hpp"

#include <chrono>

#include "core/error.hpp"

namespace mivex::lp {

RestartEnd run_restart(RevisedSimplex& simplex, const std::vector<std::uint32_t>& basis, Cancel& cancel,
                       const PivotLog* base, std::size_t repeat, PivotLog* log) {
  RestartEnd out;
  if (log != nullptr) simplex.record_log(log);
  if (base != nullptr && repeat > 0) {
    if (repeat < base->drive_out) stop("pivot log does not fit the program");
    // The drive-out's pivots, then phase 2's first ones, as made.
    std::vector<std::uint32_t> after_drive_out = basis;
    base->apply(after_drive_out, 0, base->drive_out);
    std::vector<std::uint32_t> now = after_drive_out;
    base->apply(now, base->drive_out, repeat);
    simplex.repeat_steps(base->steps.data(), base->drive_out);
    out.drive_out = base->drive_out;
    simplex.set_basis(now);
    simplex.set_costs(RevisedSimplex::Costs::Objective);
    const Replay replay{&after_drive_out, base->steps.data() + base->drive_out, repeat - base->drive_out};
    out.end = simplex.run_phase(true, cancel, &replay);
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

SpareRestart::SpareRestart(std::shared_ptr<const StandardForm> form, std::vector<std::uint32_t> basis, bool trace,
                           std::size_t verify, PivotLog* log)
    : thread_(&SpareRestart::run, this, std::move(form), std::move(basis), trace, verify, log) {}

SpareRestart::~SpareRestart() {
  stop_.store(true, std::memory_order_relaxed);
  thread_.join();
}

void SpareRestart::run(std::shared_ptr<const StandardForm> form, std::vector<std::uint32_t> basis, bool trace,
                       std::size_t verify, PivotLog* log) {
  // The caller's interrupt is polled on its own thread (it may be bound to
  // it); this one stops when told to.
  Cancel stop = Cancel::when(stop_);
  try {
    simplex_.emplace(std::move(form));
    if (trace) simplex_->record_trace(&trace_);
    simplex_->verify_updates(verify);
    end_ = run_restart(*simplex_, basis, stop, nullptr, 0, log);
  } catch (...) {
    failure_ = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  done_cv_.notify_one();
}

RevisedSimplex& SpareRestart::take(Cancel& cancel, RestartEnd& end, Trace* trace) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; })) {
      lock.unlock();
      cancel.check();
      lock.lock();
    }
  }
  if (failure_) std::rethrow_exception(failure_);
  end = end_;
  if (trace != nullptr) trace->insert(trace->end(), trace_.begin(), trace_.end());
  return *simplex_;
}

}  // namespace mivex::lp
