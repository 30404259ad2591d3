// Which way each node LP is solved: the pivots alone, or the certified fast
// path first. Both give the same answer (the fast path answers only what it
// proves, and the pivots do the rest), so the choice is a matter of speed,
// and that depends on the model: the fast path pays on programs whose exact
// pivots are dear and costs extra where they are cheap or where nodes have
// several optima. So the search measures: the first nodes alternate between
// the two ways, then the faster on average serves. The other way is tried
// again now and then in case the tree changed, but only while those tries
// have taken less than a small share of the time since: a way ten times
// slower (mod008's pivots) is rarely retried, two close ways often.
#pragma once

#include <cstddef>

#include "lp/solver.hpp"

namespace mivex::milp {

class WayChoice {
 public:
  using FastPath = lp::LpSolver::FastPath;

  // `eligible`: the program is large enough for the fast path at all.
  // `always`: tests take the fast path first on every node.
  explicit WayChoice(bool eligible, bool always = false) : eligible_(eligible), always_(always) {}

  FastPath next() const {
    if (!eligible_) return FastPath::Off;
    if (always_) return FastPath::Always;
    if (count_ < 2 * kTrial) return count_ % 2 == 1 ? FastPath::Always : FastPath::Off;
    const bool probe = probe_seconds_ <= kProbeShare * since_trial_;
    return fast_cheaper() != probe ? FastPath::Always : FastPath::Off;
  }

  // Whether the fast path is the way chosen, probes aside (not while the
  // first nodes still alternate).
  bool prefers_fast() const {
    return eligible_ && (always_ || (count_ >= 2 * kTrial && fast_cheaper()));
  }

  void record(FastPath mode, double seconds) {
    if (!eligible_) return;
    const int k = mode == FastPath::Always ? 1 : 0;
    if (count_ >= 2 * kTrial) {
      if ((k == 1) != fast_cheaper()) probe_seconds_ += seconds;
      since_trial_ += seconds;
    }
    seconds_[k] += seconds;
    ++runs_[k];
    ++count_;
  }

 private:
  bool fast_cheaper() const { return seconds_[1] * runs_[0] < seconds_[0] * runs_[1]; }

  static constexpr std::size_t kTrial = 4;       // nodes of each way before choosing
  static constexpr double kProbeShare = 0.05;  // then at most this share of the time tries the other

  bool eligible_;
  bool always_;
  std::size_t count_ = 0;
  double seconds_[2] = {0.0, 0.0};  // total time of the pivots alone, of the fast path first
  std::size_t runs_[2] = {0, 0};
  double since_trial_ = 0.0;    // all node time after the trial
  double probe_seconds_ = 0.0;  // of which on the way that was the slower one
};

}  // namespace mivex::milp
