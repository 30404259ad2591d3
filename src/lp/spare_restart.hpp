// Phase 2 run again from the basis phase 1 ended with, its artificials
// driven out first: what the pivots do when the first run of phase 2 ends
// with an artificial above zero. That second run depends only on the phase-1
// basis, so where a second core is free it starts on its own thread as soon
// as phase 1 ends, beside the first run; it is taken if the first run ends
// unsound and stopped otherwise. Either way the pivots and the answer are
// those of the two runs one after the other.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/cancel.hpp"
#include "lp/revised_simplex.hpp"

namespace mivex::lp {

struct RestartEnd {
  std::size_t drive_out = 0;  // pivots that drove artificials out
  PhaseEnd end;               // of phase 2 after them
};

// The second run on `simplex`, here, from the basis phase 1 ended with. Its
// first `repeat` pivots are taken as made from `base`, the second run's log
// of a program this one adds rows to (the caller has shown they would be
// repeated: at least the drive-out). `log`, when not null and already
// started, keeps this run's pivots and ends finished.
RestartEnd run_restart(RevisedSimplex& simplex, const std::vector<std::uint32_t>& basis, Cancel& cancel,
                       const PivotLog* base = nullptr, std::size_t repeat = 0, PivotLog* log = nullptr);

class SpareRestart {
 public:
  using Trace = std::vector<std::pair<std::size_t, std::size_t>>;

  // Start the second run on a thread of its own; `trace` keeps its pivots
  // when not null, `verify` as RevisedSimplex::verify_updates; `log` as
  // run_restart's (read it only after take()).
  SpareRestart(std::shared_ptr<const StandardForm> form, std::vector<std::uint32_t> basis, bool trace,
               std::size_t verify, PivotLog* log = nullptr);
  // Stops the run if still going.
  ~SpareRestart();
  SpareRestart(const SpareRestart&) = delete;
  SpareRestart& operator=(const SpareRestart&) = delete;

  // Wait for the run (polling `cancel` meanwhile) and hand over its end, its
  // simplex and its pivots; rethrows what stopped it.
  RevisedSimplex& take(Cancel& cancel, RestartEnd& end, Trace* trace);

 private:
  void run(std::shared_ptr<const StandardForm> form, std::vector<std::uint32_t> basis, bool trace,
           std::size_t verify, PivotLog* log);

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::optional<RevisedSimplex> simplex_;
  RestartEnd end_;
  Trace trace_;
  std::exception_ptr failure_;
  std::thread thread_;  // last: it starts once the rest is built
};

}  // namespace mivex::lp
