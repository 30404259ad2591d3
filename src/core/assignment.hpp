// A model: (variable index, value) pairs in the order each variable was
// first set. Setting a variable again replaces its value in place.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/value.hpp"

namespace mivex {

class Assignment {
 public:
  using Entry = std::pair<std::uint64_t, Value>;

  // Replace the value of `var` where it stands, or append it. Solvers that
  // fill a fresh model in increasing index order use append() instead.
  void set(std::uint64_t var, Value value);
  // Append without looking for an earlier entry; the caller guarantees `var`
  // is new (keeps model building linear for large models).
  void append(std::uint64_t var, Value value) { entries_.emplace_back(var, std::move(value)); }
  const Value* get(std::uint64_t var) const;

  const std::vector<Entry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  void reserve(std::size_t n) { entries_.reserve(n); }

  // "[x0 -> 1, x3 -> 2.5]"
  std::string text() const;

  bool operator==(const Assignment& other) const = default;

 private:
  std::vector<Entry> entries_;
};

}  // namespace mivex
