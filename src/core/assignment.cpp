#include "core/assignment.hpp"

namespace mivex {

void Assignment::set(std::uint64_t var, Value value) {
  for (auto& entry : entries_) {
    if (entry.first == var) {
      entry.second = std::move(value);
      return;
    }
  }
  entries_.emplace_back(var, std::move(value));
}

const Value* Assignment::get(std::uint64_t var) const {
  for (const auto& entry : entries_) {
    if (entry.first == var) return &entry.second;
  }
  return nullptr;
}

std::string Assignment::text() const {
  std::string out = "[";
  bool first = true;
  for (const auto& [var, value] : entries_) {
    if (!first) out += ", ";
    first = false;
    out += "x" + std::to_string(var) + " -> " + value.text();
  }
  out += "]";
  return out;
}

}  // namespace mivex
