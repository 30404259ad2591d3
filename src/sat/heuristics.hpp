// Variable activity and the decision order. A variable's activity grows by
// the current increment each time conflict analysis meets it, and the
// increment grows by 1/0.95 per conflict (with no rescaling: past ~13,838
// conflicts it is +inf and bumped variables tie). The next decision is the
// unassigned variable of highest activity, ties going to the highest index;
// a binary max-heap ordered by (activity, index) finds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sat/literal.hpp"

namespace mivex::sat {

class VarOrder {
 public:
  // n variables at activity 0.0, increment 1.0; all in the heap.
  void reset(std::size_t num_vars);

  void bump(Var v) {
    activity_[v] += var_inc_;
    if (pos_[v] != kAbsent) sift_up(pos_[v]);
  }
  void decay() { var_inc_ /= kDecay; }

  // Puts an unassigned variable back (no-op when it is still in the heap).
  void insert(Var v) {
    if (pos_[v] != kAbsent) return;
    pos_[v] = static_cast<std::uint32_t>(heap_.size());
    heap_.push_back(v);
    sift_up(pos_[v]);
  }

  bool empty() const { return heap_.empty(); }
  Var top() const { return heap_[0]; }
  void pop();

  double activity(Var v) const { return activity_[v]; }

 private:
  static constexpr double kDecay = 0.95;
  static constexpr std::uint32_t kAbsent = UINT32_MAX;

  // Whether a goes before b: higher activity, then higher index.
  bool before(Var a, Var b) const {
    return activity_[a] > activity_[b] || (activity_[a] == activity_[b] && a > b);
  }
  void sift_up(std::size_t i);
  void sift_down(std::size_t i);

  std::vector<double> activity_;
  double var_inc_ = 1.0;
  std::vector<Var> heap_;
  std::vector<std::uint32_t> pos_;  // index in heap_, or kAbsent
};

}  // namespace mivex::sat
