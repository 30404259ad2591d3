#include "sat/heuristics.hpp"

namespace mivex::sat {

void VarOrder::reset(std::size_t num_vars) {
  activity_.assign(num_vars, 0.0);
  var_inc_ = 1.0;
  heap_.resize(num_vars);
  pos_.resize(num_vars);
  // Equal activities: the highest index first, so the array in decreasing
  // index order is already a heap.
  for (std::size_t i = 0; i < num_vars; ++i) {
    heap_[i] = static_cast<Var>(num_vars - 1 - i);
    pos_[num_vars - 1 - i] = static_cast<std::uint32_t>(i);
  }
}

void VarOrder::pop() {
  Var v = heap_[0];
  pos_[v] = kAbsent;
  Var last = heap_.back();
  heap_.pop_back();
  if (!heap_.empty()) {
    heap_[0] = last;
    pos_[last] = 0;
    sift_down(0);
  }
}

void VarOrder::sift_up(std::size_t i) {
  Var v = heap_[i];
  while (i > 0) {
    std::size_t parent = (i - 1) / 2;
    if (!before(v, heap_[parent])) break;
    heap_[i] = heap_[parent];
    pos_[heap_[i]] = static_cast<std::uint32_t>(i);
    i = parent;
  }
  heap_[i] = v;
  pos_[v] = static_cast<std::uint32_t>(i);
}

void VarOrder::sift_down(std::size_t i) {
  Var v = heap_[i];
  const std::size_t n = heap_.size();
  for (;;) {
    std::size_t child = 2 * i + 1;
    if (child >= n) break;
    if (child + 1 < n && before(heap_[child + 1], heap_[child])) ++child;
    if (!before(heap_[child], v)) break;
    heap_[i] = heap_[child];
    pos_[heap_[i]] = static_cast<std::uint32_t>(i);
    i = child;
  }
  heap_[i] = v;
  pos_[v] = static_cast<std::uint32_t>(i);
}

}  // namespace mivex::sat
