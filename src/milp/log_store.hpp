// The pivot logs the open nodes' children repeat pivots from, within a
// memory budget: past it a node's children read an older log (or none),
// which only costs speed.
#pragma once

#include <cstddef>
#include <memory>

#include "lp/simplex/pivot_log.hpp"
#include "milp/solver.hpp"

namespace mivex::milp {

// The log a node's children read, and how many bounds its node had.
struct ChildLog {
  std::shared_ptr<const lp::PivotLog> log;
  std::size_t bounds = 0;
};

class LogStore {
 public:
  explicit LogStore(bool repeats) : repeats_(repeats) {}
  // The logs kept point back here: the store must outlive them.
  LogStore(const LogStore&) = delete;
  LogStore& operator=(const LogStore&) = delete;

  // What the children of `node` (null: the root) read: its own `log` when
  // complete and within the budget, else the one it read. `repeated`: the
  // pivots the node took from that one.
  ChildLog for_children(std::unique_ptr<lp::PivotLog> log, const Node* node, std::size_t repeated);

 private:
  bool repeats_;
  std::size_t bytes_ = 0;  // of the logs alive
};

}  // namespace mivex::milp
