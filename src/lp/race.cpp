// The fast path on a second thread beside the pivots: whichever ends first
// answers.
#include <atomic>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

#include "core/error.hpp"
#include "lp/fast_path.hpp"
#include "lp/solver.hpp"

namespace mivex::lp {

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
    Cancel stop = Cancel::when(shared.stop);
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

}  // namespace mivex::lp
