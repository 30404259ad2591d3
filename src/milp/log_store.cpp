#include "milp/log_store.hpp"

#include <utility>

#include "milp/repeated_pivots.hpp"

namespace mivex::milp {

namespace {

constexpr std::size_t kLogBudget = std::size_t{64} << 20;  // bytes

}  // namespace

ChildLog LogStore::for_children(std::unique_ptr<lp::PivotLog> log, const Node* node, std::size_t repeated) {
  ChildLog inherited{node ? node->log : nullptr, node ? node->log_bounds : 0};
  if (!repeats_ || !log->complete) return inherited;
  if (node != nullptr && repeated > 0) forget_lowered(*log, node->bounds, node->log_bounds);
  const std::size_t bytes = log->bytes();
  if (bytes_ + bytes > kLogBudget) return inherited;
  bytes_ += bytes;
  std::shared_ptr<const lp::PivotLog> kept(log.release(), [this, bytes](const lp::PivotLog* p) {
    bytes_ -= bytes;
    delete p;
  });
  return ChildLog{std::move(kept), node ? node->bounds.size() : 0};
}

}  // namespace mivex::milp
