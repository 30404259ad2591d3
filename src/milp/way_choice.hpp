// Choices between two ways of solving node LPs that give the same answer,
// so that the choice is a matter of speed, and that depends on the model.
// So the search measures: the first nodes alternate between the two ways,
// then the faster on average serves. The other way is tried again now and
// then in case the tree changed, but only while those tries have taken less
// than a small share of the time since: a way ten times slower (mod008's
// pivots) is rarely retried, two close ways often.
//
// Two such choices are made (milp/search): the pivots alone or the
// certified fast path first (WayChoice), and, on programs whose exact
// numbers grow big, whether the pivots decide from bounds from the first or
// only once they see big numbers (Search::start_choice_).
#pragma once

#include <cstddef>

#include "lp/solver.hpp"

namespace mivex::milp {

class MeasuredChoice {
 public:
  // `always`: tests take the second way on every node. During the trial
  // the ways alternate every `stride` nodes: two choices measured on the
  // same nodes with different strides do not pair their ways.
  explicit MeasuredChoice(bool always = false, std::size_t stride = 1) : always_(always), stride_(stride) {}

  // Whether the next node takes the second way.
  bool second() const {
    if (always_) return true;
    if (count_ < 2 * kTrial) return (count_ / stride_) % 2 == 1;
    const bool probe = probe_seconds_ <= kProbeShare * since_trial_;
    return second_cheaper() != probe;
  }

  // Whether the second way is the one chosen, probes aside (not while the
  // first nodes still alternate).
  bool prefers_second() const { return always_ || (count_ >= 2 * kTrial && second_cheaper()); }

  // A node took `seconds` the given way, for `work` units of work (the
  // ways are compared by seconds per unit: by default, per node).
  void record(bool second, double seconds, double work = 1.0) {
    const int k = second ? 1 : 0;
    if (count_ >= 2 * kTrial) {
      if (second != second_cheaper()) probe_seconds_ += seconds;
      since_trial_ += seconds;
    }
    seconds_[k] += seconds;
    work_[k] += work;
    ++count_;
  }

 private:
  bool second_cheaper() const { return seconds_[1] * work_[0] < seconds_[0] * work_[1]; }

  static constexpr std::size_t kTrial = 4;       // nodes of each way before choosing
  static constexpr double kProbeShare = 0.05;  // then at most this share of the time tries the other

  bool always_;
  std::size_t stride_;
  std::size_t count_ = 0;
  double seconds_[2] = {0.0, 0.0};  // total time of each way
  double work_[2] = {0.0, 0.0};
  double since_trial_ = 0.0;    // all node time after the trial
  double probe_seconds_ = 0.0;  // of which on the way that was the slower one
};

// The pivots alone, or the certified fast path first: the fast path pays
// on programs whose exact pivots are dear and costs extra where they are
// cheap or where nodes have several optima.
class WayChoice {
 public:
  using FastPath = lp::LpSolver::FastPath;

  // `eligible`: the program is large enough for the fast path at all.
  // `always`: tests take the fast path first on every node.
  explicit WayChoice(bool eligible, bool always = false) : eligible_(eligible), choice_(always) {}

  FastPath next() const { return eligible_ && choice_.second() ? FastPath::Always : FastPath::Off; }

  // Whether the fast path is the way chosen, probes aside (not while the
  // first nodes still alternate).
  bool prefers_fast() const { return eligible_ && choice_.prefers_second(); }

  void record(FastPath mode, double seconds) {
    if (eligible_) choice_.record(mode == FastPath::Always, seconds);
  }

 private:
  bool eligible_;
  MeasuredChoice choice_;
};

}  // namespace mivex::milp
