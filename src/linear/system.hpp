// A linear program: optional objective, constraints over variables 0..n-1,
// and per-variable integrality marks.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "linear/constraint.hpp"

namespace mivex::linear {

enum class ObjectiveSense : std::uint8_t { Minimize = 0, Maximize = 1 };

struct Objective {
  ObjectiveSense sense = ObjectiveSense::Minimize;
  LinearExpr expr;
};

struct VarInfo {
  std::uint64_t index = 0;
  bool is_integer = false;
};

class LinearSystem {
 public:
  std::optional<Objective> objective;
  std::vector<std::uint64_t> variables;  // entry k holds k
  std::vector<LinearConstraint> constraints;
  std::uint64_t next_var = 0;

  // A new variable (index next_var), not integral.
  std::uint64_t new_variable();
  std::size_t num_variables() const { return variables.size(); }
  void add_constraint(LinearConstraint c) { constraints.push_back(std::move(c)); }

  // The record of variable `var`; stops on an unknown index.
  const VarInfo& var_info(std::uint64_t var) const;
  void set_integer(std::uint64_t var, bool is_integer = true);

  // A deep copy; the solvers work on such copies.
  LinearSystem clone() const { return *this; }

 private:
  std::vector<VarInfo> var_info_;  // keyed by index: keys are exactly 0..next_var-1
};

}  // namespace mivex::linear
