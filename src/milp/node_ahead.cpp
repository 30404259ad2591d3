#include "milp/node_ahead.hpp"

#include <chrono>
#include <system_error>
#include <thread>
#include <utility>

#include "core/error.hpp"

namespace mivex::milp {

namespace {

// A node LP against the same LP from scratch, with no pivots taken from a
// log and both runs of phase 2 on this thread: the same pivots and the same
// answer, or a stop.
void check_node(const std::shared_ptr<const lp::StandardForm>& form, const linear::LinearSystem& system,
                const std::vector<linear::LinearConstraint>& extra, const lp::LpSolver::Trace& trace,
                const LpResult& result, const std::vector<linear::Rational>& exact, Cancel& cancel) {
  lp::LpSolver fresh(form, system, &extra);
  fresh.set_fast_path(lp::LpSolver::FastPath::Off);
  lp::LpSolver::Trace fresh_trace;
  fresh.record_trace(&fresh_trace);
  LpResult again = fresh.solve(cancel);
  if (fresh_trace != trace || again.kind() != result.kind() ||
      (result.kind() == LpResult::Kind::Optimal && fresh.exact_values() != exact)) {
    stop("a node LP differs from its solve from scratch");
  }
}

}  // namespace

NodeSolve solve_node(const NodeJob& job, const linear::LinearSystem& system, Cancel& cancel,
                     const std::function<void(lp::LpSolver&, NodeSolve&)>& setup) {
  NodeSolve out;
  out.repeat = job.repeat;
  out.path = job.path;
  out.warm_start = job.warm_start;
  lp::LpSolver solver(job.form, system, &job.extra);
  solver.set_fast_path(lp::LpSolver::FastPath::Off);
  // The opening pivots this LP is sure to share with an ancestor's.
  if (job.repeat > 0) solver.resume_from(job.base, job.repeat, job.restart_repeat);
  out.log = std::make_unique<lp::PivotLog>();
  if (job.record_log) solver.record_log(out.log.get());
  lp::LpSolver::Trace trace;
  if (job.check) solver.record_trace(&trace);
  if (setup) setup(solver, out);
  const auto start = std::chrono::steady_clock::now();
  out.result = solver.solve(cancel);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (out.result.kind() == LpResult::Kind::Optimal) out.exact = solver.exact_values();
  out.stats = solver.stats();
  if (job.check && !out.stats.fast_path) check_node(job.form, system, job.extra, trace, out.result, out.exact, cancel);
  return out;
}

NodeAhead::~NodeAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    stop_.store(true, std::memory_order_relaxed);
  }
  work_.notify_one();
  if (thread_.joinable()) thread_.join();
}

template <class Slots>
auto NodeAhead::find_in(Slots& slots, std::size_t node) {
  auto it = slots.begin();
  while (it != slots.end() && (it->job.node != node || it->dropped)) ++it;
  return it;
}

bool NodeAhead::holds(std::size_t node) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return find_in(slots_, node) != slots_.end();
}

std::size_t NodeAhead::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t n = 0;
  for (const Slot& slot : slots_) n += !slot.finished;
  return n;
}

bool NodeAhead::done(std::size_t node) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = find_in(slots_, node);
  return it != slots_.end() && it->finished;
}

void NodeAhead::withdraw(std::size_t node) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = find_in(slots_, node);
  if (it != slots_.end() && !it->running && !it->finished) slots_.erase(it);
}

bool NodeAhead::start(NodeJob job) {
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&NodeAhead::run, this);
    } catch (const std::system_error&) {
      return false;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Dropped jobs that have ended go here, on the search's thread.
    slots_.remove_if([](const Slot& slot) { return slot.dropped && slot.finished; });
    slots_.emplace_back();
    slots_.back().job = std::move(job);
  }
  work_.notify_one();
  return true;
}

void NodeAhead::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    auto next = slots_.end();
    work_.wait(lock, [&] {
      if (quit_) return true;
      for (auto it = slots_.begin(); it != slots_.end(); ++it) {
        if (!it->finished && !it->running) {
          next = it;
          return true;
        }
      }
      return false;
    });
    if (quit_) return;
    next->running = true;
    lock.unlock();
    // The slot stays put (a list) and only this thread writes its answer;
    // the job is read, never changed, while it runs.
    std::optional<NodeSolve> answer;
    std::exception_ptr failure;
    try {
      answer.emplace(solve_node(next->job, system_, cancel_));
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    next->answer = std::move(answer);
    next->failure = failure;
    next->running = false;
    next->finished = true;
    if (!quit_) stop_.store(false, std::memory_order_relaxed);
    finished_.notify_all();
  }
}

NodeSolve NodeAhead::take(std::size_t node, Cancel& cancel) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = find_in(slots_, node);
  if (it == slots_.end()) stop("no node LP queued for this node");
  while (!finished_.wait_for(lock, std::chrono::milliseconds(20), [&] { return it->finished; })) {
    lock.unlock();
    cancel.check();  // an interrupt leaves through the caller; the destructor stops the thread
    lock.lock();
  }
  Slot slot = std::move(*it);
  slots_.erase(it);
  lock.unlock();
  // The job (and the log it holds) goes on this thread.
  if (slot.failure) std::rethrow_exception(slot.failure);
  return std::move(*slot.answer);
}

void NodeAhead::drop(std::size_t node) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = find_in(slots_, node);
  if (it == slots_.end()) return;
  if (it->running) {
    it->dropped = true;
    stop_.store(true, std::memory_order_relaxed);
  } else {
    slots_.erase(it);
  }
}

}  // namespace mivex::milp
