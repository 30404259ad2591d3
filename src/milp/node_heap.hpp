// The open-node heap of branch and bound: a binary min-heap on a float key.
// Ties are ordered by the exact push and pop rules below (not by any library
// heap's), because with the node limit they decide which nodes get examined.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace mivex::milp {

class NodeHeap {
 public:
  struct Entry {
    double key;
    std::size_t node;
  };

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  const std::vector<Entry>& entries() const { return entries_; }

  // Append, then move up while strictly smaller than the parent.
  void push(Entry entry) {
    entries_.push_back(entry);
    sift_up(entries_.size() - 1);
  }

  // The root. The last entry takes its place, sinks to the bottom level
  // along the smaller child (the right one on equal keys), then moves up.
  std::optional<Entry> pop() {
    if (entries_.empty()) return std::nullopt;
    Entry top = entries_.front();
    Entry last = entries_.back();
    entries_.pop_back();
    if (!entries_.empty()) {
      const std::size_t end = entries_.size();
      std::size_t hole = 0;
      std::size_t child = 1;
      while (child + 1 < end) {
        if (!(entries_[child].key < entries_[child + 1].key)) ++child;
        entries_[hole] = entries_[child];
        hole = child;
        child = 2 * hole + 1;
      }
      if (child == end - 1) {
        entries_[hole] = entries_[child];
        hole = child;
      }
      entries_[hole] = last;
      sift_up(hole);
    }
    return top;
  }

 private:
  void sift_up(std::size_t pos) {
    Entry moving = entries_[pos];
    while (pos > 0) {
      std::size_t parent = (pos - 1) / 2;
      if (!(moving.key < entries_[parent].key)) break;
      entries_[pos] = entries_[parent];
      pos = parent;
    }
    entries_[pos] = moving;
  }

  std::vector<Entry> entries_;
};

}  // namespace mivex::milp
