// DIMACS CNF reader: text in, clauses out, or one message naming the line at
// fault. Syntax only: the declared counts are recorded, never enforced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mivex::parser {

// The clauses in input order, each literal as written (no 0 stored). The
// literals of all clauses sit in one flat array; clause i is the range
// [starts[i], starts[i + 1]).
class DimacsProblem {
 public:
  std::uint64_t num_vars = 0;     // from the last problem line
  std::uint64_t num_clauses = 0;  // from the last problem line

  std::size_t clause_count() const { return starts_.size() - 1; }
  std::span<const std::int32_t> clause(std::size_t i) const {
    return {literals_.data() + starts_[i], starts_[i + 1] - starts_[i]};
  }
  // Every clause, in input order.
  std::vector<std::span<const std::int32_t>> clauses() const;
  // Largest |literal| over all clauses (0 when there are none).
  std::uint32_t max_magnitude() const { return max_magnitude_; }

  void push_literal(std::int32_t lit);
  void end_clause() { starts_.push_back(literals_.size()); }
  bool clause_pending() const { return literals_.size() != starts_.back(); }

 private:
  std::vector<std::int32_t> literals_;
  std::vector<std::size_t> starts_{0};
  std::uint32_t max_magnitude_ = 0;
};

// The problem, or the message of the first error.
using DimacsParse = std::variant<DimacsProblem, std::string>;

DimacsParse parse_dimacs(std::string_view text);

}  // namespace mivex::parser
