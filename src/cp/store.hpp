// The domains of the search: one interval per variable, a trail that saves a
// variable's bounds once per level before its first change, and the queue of
// propagators to run. Narrowing a variable schedules every propagator that
// watches it; backtracking restores the saved bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cp/exact_math.hpp"

namespace mivex::cp {

struct Interval {
  std::int64_t lo;
  std::int64_t hi;
};

class Store {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  explicit Store(std::vector<Interval> domains);

  std::size_t size() const { return dom_.size(); }
  std::int64_t lo(std::uint32_t v) const { return dom_[v].lo; }
  std::int64_t hi(std::uint32_t v) const { return dom_[v].hi; }
  bool fixed(std::uint32_t v) const { return dom_[v].lo == dom_[v].hi; }
  const std::vector<Interval>& domains() const { return dom_; }

  // Raise lo(v) to at least b / lower hi(v) to at most b. False when the
  // domain would become empty (it is then left as it was).
  bool set_lo(std::uint32_t v, i128 b) {
    Interval& d = dom_[v];
    if (b <= d.lo) return true;
    if (b > d.hi) return false;
    save(v);
    d.lo = static_cast<std::int64_t>(b);
    touched(2 * v);
    return true;
  }
  bool set_hi(std::uint32_t v, i128 b) {
    Interval& d = dom_[v];
    if (b >= d.hi) return true;
    if (b < d.lo) return false;
    save(v);
    d.hi = static_cast<std::int64_t>(b);
    touched(2 * v + 1);
    return true;
  }

  // Watches: by_bound[2v] lists the propagators to run again when lo(v)
  // rises, by_bound[2v + 1] those for a fall of hi(v).
  void set_watches(const std::vector<std::vector<std::uint32_t>>& by_bound, std::size_t propagators);

  void schedule(std::uint32_t p);
  bool queue_empty() const { return queue_size_ == 0; }
  std::uint32_t pop();
  void clear_queue();

  // The propagator being run (its own changes do not reschedule it) and
  // whether it has changed anything since the flag was last cleared.
  void set_running(std::uint32_t p) { running_ = p; }
  bool take_changed() {
    bool c = changed_;
    changed_ = false;
    return c;
  }

  void push_level();
  void pop_level();
  std::size_t level() const { return level_starts_.size(); }

  // Scratch space for propagators, reused so that nodes do not allocate.
  std::vector<std::int64_t>& scratch() { return scratch_; }
  std::vector<std::uint64_t>& bits() { return bits_; }

 private:
  struct Saved {
    std::uint32_t var;
    Interval bounds;
  };

  void save(std::uint32_t v) {
    if (level_starts_.empty() || stamp_[v] == epoch_) return;
    stamp_[v] = epoch_;
    trail_.push_back({v, dom_[v]});
  }
  void touched(std::uint32_t bound) {
    changed_ = true;
    for (std::uint32_t i = watch_start_[bound]; i < watch_start_[bound + 1]; ++i) {
      std::uint32_t p = watch_list_[i];
      if (p != running_) schedule(p);
    }
  }

  std::vector<Interval> dom_;
  std::vector<Saved> trail_;
  std::vector<std::size_t> level_starts_;
  std::vector<std::uint64_t> stamp_;
  std::uint64_t epoch_ = 0;

  std::vector<std::uint32_t> watch_start_;  // watchers of bound b: watch_list_[start[b] .. start[b+1])
  std::vector<std::uint32_t> watch_list_;
  std::vector<std::uint32_t> queue_;  // ring buffer; each propagator at most once
  std::vector<std::uint8_t> queued_;
  std::size_t queue_head_ = 0;
  std::size_t queue_size_ = 0;
  std::uint32_t running_ = kNone;
  bool changed_ = false;

  std::vector<std::int64_t> scratch_;
  std::vector<std::uint64_t> bits_;
};

}  // namespace mivex::cp
