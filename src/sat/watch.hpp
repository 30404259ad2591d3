// Watch lists: for each literal code, the clauses to visit when that literal
// becomes false. A clause whose two watch words hold the same literal stands
// twice in that literal's list.
//
// Propagation walks a list in the order it had when the walk began, and a
// clause that finds a new watch leaves the list by "remove its first
// occurrence, move the last entry into the hole". WatchWalk reproduces that
// order exactly while editing the list in place, without copying it: entries
// not yet visited stay at their own index until the shrinking end of the list
// reaches them; from then on, the entry moved into a hole is tracked in
// `where_` (original index -> position) and `owner_` (position -> original
// index).
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/error.hpp"
#include "sat/clause.hpp"

namespace mivex::sat {

using WatchList = std::vector<ClauseRef>;

class Watches {
 public:
  void grow(std::size_t num_vars) { lists_.resize(2 * num_vars); }
  WatchList& operator[](Lit l) { return lists_[l.code]; }
  const WatchList& operator[](Lit l) const { return lists_[l.code]; }

 private:
  std::vector<WatchList> lists_;
};

class WatchWalk {
 public:
  // Starts a walk over `list`; the walk visits steps 0 .. length() - 1.
  void begin(WatchList& list) {
    list_ = &list;
    length_ = list.size();
    if (where_.size() < length_) {
      where_.resize(length_);
      owner_.resize(length_);
    }
  }
  std::size_t length() const { return length_; }

  // Current position of the entry that stood at index k when the walk began
  // (k = the step being visited; later steps are still in the list).
  std::size_t position(std::size_t k) const { return k < list_->size() ? k : where_[k]; }

  // Removes the entry of step k, found at `pos`, as the first occurrence of
  // its clause. `twice` says the list may hold that clause a second time.
  void remove(std::size_t k, std::size_t pos, bool twice) {
    WatchList& list = *list_;
    if (twice) {
      std::size_t first = static_cast<std::size_t>(std::find(list.begin(), list.end(), list[pos]) - list.begin());
      if (first != pos) {
        // The first occurrence is the later step's copy: same clause, so
        // swap which step each copy stands for and remove the earlier slot.
        std::size_t other = later_step_at(k, first);
        if (other == kNone) stop("watch list walk lost an entry");
        track(other, pos);
        pos = first;
      }
    }
    const std::size_t last = list.size() - 1;
    if (pos != last) {
      list[pos] = list[last];
      std::size_t moved = last > k ? last : later_step_at(k, last);
      if (moved != kNone) track(moved, pos);
    }
    list.pop_back();
  }

 private:
  static constexpr std::size_t kNone = SIZE_MAX;

  void track(std::size_t step, std::size_t pos) {
    where_[step] = pos;
    owner_[pos] = step;
  }
  // The step after k whose entry stands at `pos` (pos <= k, so such an entry
  // has been moved and is tracked), or kNone. Steps still at their own index
  // (below the list's size) are never tracked, whatever `owner_` holds.
  std::size_t later_step_at(std::size_t k, std::size_t pos) const {
    std::size_t step = owner_[pos];
    bool moved = step > k && step >= list_->size() && step < length_;
    return moved && where_[step] == pos ? step : kNone;
  }

  WatchList* list_ = nullptr;
  std::size_t length_ = 0;
  std::vector<std::size_t> where_;
  std::vector<std::size_t> owner_;
};

}  // namespace mivex::sat
