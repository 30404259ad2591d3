// Choices between two ways of solving node LPs that give the same answer,
// so that the choice is a matter of speed, and that depends on the model.
// So the search measures: the first nodes alternate between the two ways,
// then the faster on average serves. The other way is tried again now and
// then in case the tree changed, but only while those tries have taken less
// than a small share of the time since: a way ten times slower (mod008's
// pivots) is rarely retried, two close ways often. Node times spread
// widely (a fast path that misses costs several times one that answers),
// so a few nodes may name the wrong way: there, while the two averages lie
// within two standard errors of each other, the other way gets a larger
// share (WayChoice). The pivots' tunings keep the small share: with the
// larger one for them too, pk1's searches took 3.8 to 5.4 s from run to
// run, against 3.5 to 4.3 s.
//
// Two such choices are made (milp/search): the pivots alone or the
// certified fast path first (WayChoice), and, on programs whose exact
// numbers grow big, whether the pivots decide from bounds from the first or
// only once they see big numbers (Search::start_choice_).
#pragma once

#include <algorithm>
#include <cstddef>

#include "lp/solver.hpp"

namespace mivex::milp {

class MeasuredChoice {
 public:
  // `always`: tests take the second way on every node. During the trial
  // the ways alternate every `stride` nodes: two choices measured on the
  // same nodes with different strides do not pair their ways.
  // `sample_spread`: the larger share while the ways are within their errors.
  explicit MeasuredChoice(bool always = false, std::size_t stride = 1, bool sample_spread = false)
      : always_(always), stride_(stride), sample_spread_(sample_spread) {}

  // Whether the next node takes the second way.
  bool second() const {
    if (always_) return true;
    if (count_ < 2 * kTrial) return (count_ / stride_) % 2 == 1;
    const bool probe = probe_seconds_ <= (sample_spread_ && undecided() ? kUndecidedShare : kProbeShare) * since_trial_;
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
    const double rate = seconds / work;
    ++samples_[k];
    rate_sum_[k] += rate;
    rate_squares_[k] += rate * rate;
    ++count_;
  }

 private:
  bool second_cheaper() const { return seconds_[1] * work_[0] < seconds_[0] * work_[1]; }
  // Whether the ways' seconds per unit of work differ by less than two
  // standard errors of the difference (from the spread of each way's
  // nodes), so that more samples may yet reverse the choice.
  bool undecided() const {
    if (samples_[0] < 2 || samples_[1] < 2) return true;
    double spread = 0.0;  // the squared standard error of the difference
    for (int k = 0; k < 2; ++k) {
      const double n = static_cast<double>(samples_[k]);
      const double mean = rate_sum_[k] / n;
      spread += std::max(0.0, rate_squares_[k] / n - mean * mean) / (n - 1.0);
    }
    const double gap = seconds_[0] / work_[0] - seconds_[1] / work_[1];
    return gap * gap < 4.0 * spread;
  }

  static constexpr std::size_t kTrial = 4;       // nodes of each way before choosing
  static constexpr double kProbeShare = 0.05;  // then at most this share of the time tries the other
  static constexpr double kUndecidedShare = 0.25;  // or this while the ways are within their errors

  bool always_;
  std::size_t stride_;
  bool sample_spread_;
  std::size_t count_ = 0;
  double seconds_[2] = {0.0, 0.0};  // total time of each way
  double work_[2] = {0.0, 0.0};
  double since_trial_ = 0.0;    // all node time after the trial
  double probe_seconds_ = 0.0;  // of which on the way that was the slower one
  std::size_t samples_[2] = {0, 0};  // nodes of each way, and the sums of their
  double rate_sum_[2] = {0.0, 0.0};  // seconds per unit of work and its square
  double rate_squares_[2] = {0.0, 0.0};
};

// The pivots alone, or the certified fast path first: the fast path pays
// on programs whose exact pivots are dear and costs extra where they are
// cheap or where nodes have several optima.
class WayChoice {
 public:
  using FastPath = lp::LpSolver::FastPath;

  // `eligible`: the program is large enough for the fast path at all.
  // `always`: tests take the fast path first on every node.
  explicit WayChoice(bool eligible, bool always = false) : eligible_(eligible), choice_(always, 1, true) {}

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
