#include "cp/store.hpp"

namespace mivex::cp {

Store::Store(std::vector<Interval> domains)
    : dom_(std::move(domains)), stamp_(dom_.size(), 0), watch_start_(2 * dom_.size() + 1, 0) {}

void Store::set_watches(const std::vector<std::vector<std::uint32_t>>& by_bound, std::size_t propagators) {
  watch_start_.assign(2 * dom_.size() + 1, 0);
  watch_list_.clear();
  for (std::size_t b = 0; b < 2 * dom_.size(); ++b) {
    watch_start_[b] = static_cast<std::uint32_t>(watch_list_.size());
    watch_list_.insert(watch_list_.end(), by_bound[b].begin(), by_bound[b].end());
  }
  watch_start_[2 * dom_.size()] = static_cast<std::uint32_t>(watch_list_.size());
  queue_.assign(propagators, 0);
  queued_.assign(propagators, 0);
  queue_head_ = queue_size_ = 0;
}

void Store::schedule(std::uint32_t p) {
  if (queued_[p]) return;
  queued_[p] = 1;
  std::size_t slot = queue_head_ + queue_size_;
  if (slot >= queue_.size()) slot -= queue_.size();
  queue_[slot] = p;
  ++queue_size_;
}

std::uint32_t Store::pop() {
  std::uint32_t p = queue_[queue_head_];
  if (++queue_head_ == queue_.size()) queue_head_ = 0;
  --queue_size_;
  queued_[p] = 0;
  return p;
}

void Store::clear_queue() {
  while (queue_size_ > 0) pop();
  running_ = kNone;
  changed_ = false;
}

void Store::push_level() {
  level_starts_.push_back(trail_.size());
  ++epoch_;
}

void Store::pop_level() {
  std::size_t start = level_starts_.back();
  level_starts_.pop_back();
  while (trail_.size() > start) {
    const Saved& saved = trail_.back();
    dom_[saved.var] = saved.bounds;
    trail_.pop_back();
  }
  ++epoch_;
}

}  // namespace mivex::cp
