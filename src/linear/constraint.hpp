// One constraint in normalised form: expr op 0.
#pragma once

#include <optional>
#include <string>

#include "linear/expr.hpp"

namespace mivex::linear {

enum class CmpOp : std::uint8_t { Eq = 0, Le = 1, Ge = 2 };

struct LinearConstraint {
  LinearExpr expr;
  CmpOp op = CmpOp::Le;
  std::optional<std::string> name;

  // Whether the constraint holds exactly at the point (one value per variable).
  bool holds_at(const std::vector<Rational>& values) const {
    int s = expr.evaluate(values).sign();
    switch (op) {
      case CmpOp::Eq: return s == 0;
      case CmpOp::Le: return s <= 0;
      case CmpOp::Ge: return s >= 0;
    }
    return false;
  }
};

}  // namespace mivex::linear
