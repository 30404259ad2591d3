// Linear expressions sum(coef * x_var) + constant, kept canonical: terms
// sorted by variable, one term per variable, no zero coefficient.
#pragma once

#include <cstdint>
#include <vector>

#include "linear/rational.hpp"

namespace mivex::linear {

struct Term {
  Rational coef;
  std::uint64_t var;

  bool operator==(const Term& other) const = default;
};

class LinearExpr {
 public:
  std::vector<Term> terms;
  Rational constant;

  LinearExpr() = default;
  static LinearExpr constant_of(Rational value);
  static LinearExpr variable(std::uint64_t var);
  // The term (c, var); no term at all when c is zero.
  static LinearExpr scaled(Rational c, std::uint64_t var);
  // The canonical expression of an arbitrary term list: stable sort by
  // variable, merge equal variables, drop zero coefficients.
  static LinearExpr canonical(std::vector<Term> terms, Rational constant);

  friend LinearExpr operator+(LinearExpr a, LinearExpr b);
  friend LinearExpr operator-(LinearExpr a, LinearExpr b);

  // The value at a point given as one exact value per variable index.
  Rational evaluate(const std::vector<Rational>& values) const;

  bool operator==(const LinearExpr& other) const = default;
};

}  // namespace mivex::linear
