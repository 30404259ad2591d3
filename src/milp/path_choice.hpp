// Which way each node LP is solved: the pivots alone, or the certified fast
// path first. Both give the same answer (the fast path answers only what it
// proves, and the pivots do the rest), so the choice is a matter of speed,
// and that depends on the model: a floating-point run per node pays on
// programs whose exact pivots are dear and costs extra where they are cheap
// or where nodes have several optima. So the search measures: the first
// nodes alternate between the two ways, then the faster serves, and every
// kProbe-th node tries the other again in case the tree changed.
#pragma once

#include <cstddef>

#include "lp/solver.hpp"

namespace mivex::milp {

class NodePathChoice {
 public:
  using FastPath = lp::LpSolver::FastPath;

  // `eligible`: the program is large enough for the fast path at all.
  // `always`: tests take the fast path first on every node.
  explicit NodePathChoice(bool eligible, bool always = false) : eligible_(eligible), always_(always) {}

  FastPath next() const {
    if (!eligible_) return FastPath::Off;
    if (always_) return FastPath::Always;
    const bool probe = count_ < 2 * kTrial || count_ % kProbe == 0;
    const bool fast_cheaper = seconds_[1] * runs_[0] < seconds_[0] * runs_[1];
    const bool fast = probe ? count_ % 2 == 1 || (count_ >= 2 * kTrial && !fast_cheaper) : fast_cheaper;
    return fast ? FastPath::Always : FastPath::Off;
  }

  void record(FastPath mode, double seconds) {
    if (!eligible_) return;
    const int k = mode == FastPath::Always ? 1 : 0;
    seconds_[k] += seconds;
    ++runs_[k];
    ++count_;
  }

 private:
  static constexpr std::size_t kTrial = 4;   // nodes of each way before choosing
  static constexpr std::size_t kProbe = 50;  // then one node in this many tries the other

  bool eligible_;
  bool always_;
  std::size_t count_ = 0;
  double seconds_[2] = {0.0, 0.0};  // total time of the pivots alone, of the fast path first
  std::size_t runs_[2] = {0, 0};
};

}  // namespace mivex::milp
