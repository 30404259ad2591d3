// What a solve of a model reports, in the model's own terms (by column and
// row position; the module puts names on them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exact/model.hpp"

namespace mivex::exact {

struct Limits {
  std::optional<std::uint64_t> nodes;  // branch-and-bound nodes
  std::optional<double> seconds;       // wall-clock time
};

struct Answer {
  enum class Status : std::uint8_t { Optimal, Infeasible, Unbounded, Feasible, Unknown };
  Status status = Status::Unknown;
  std::optional<Rational> objective;  // with the model's constant
  std::vector<Rational> x;            // by column; empty when there is no point
  // The certificates, absent when none was found.
  // LP optimum: y with c - A^T y = reduced costs, in the model's sense
  // (the model's dual bound equals the objective).
  std::optional<std::vector<Rational>> duals;
  std::optional<std::vector<Rational>> reduced_costs;
  std::optional<std::vector<Rational>> farkas;  // infeasible LP, by row
  std::optional<std::vector<Rational>> ray;     // unbounded LP, by column
  std::optional<Rational> bound;  // MILP: the best proved bound
  std::uint64_t nodes = 0;
  std::string message;
};

const char* status_word(Answer::Status status);

}  // namespace mivex::exact
