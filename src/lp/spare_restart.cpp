#include "lp/spare_restart.hpp"

#include <chrono>

namespace mivex::lp {

RestartEnd run_restart(RevisedSimplex& simplex, const std::vector<std::uint32_t>& basis, Cancel& cancel) {
  RestartEnd out;
  simplex.set_basis(basis);
  out.drive_out = simplex.drive_out_artificials(cancel);
  simplex.set_costs(RevisedSimplex::Costs::Objective);
  out.end = simplex.run_phase(true, cancel);
  return out;
}

SpareRestart::SpareRestart(std::shared_ptr<const StandardForm> form, std::vector<std::uint32_t> basis, bool trace,
                           std::size_t verify)
    : thread_(&SpareRestart::run, this, std::move(form), std::move(basis), trace, verify) {}

SpareRestart::~SpareRestart() {
  stop_.store(true, std::memory_order_relaxed);
  thread_.join();
}

void SpareRestart::run(std::shared_ptr<const StandardForm> form, std::vector<std::uint32_t> basis, bool trace,
                       std::size_t verify) {
  // The caller's interrupt is polled on its own thread (it may be bound to
  // it); this one stops when told to.
  Cancel stop = Cancel::when(stop_);
  try {
    simplex_.emplace(std::move(form));
    if (trace) simplex_->record_trace(&trace_);
    simplex_->verify_updates(verify);
    end_ = run_restart(*simplex_, basis, stop);
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
