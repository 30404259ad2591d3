#include "linear/expr.hpp"

#include <algorithm>
#include <utility>

#include "core/error.hpp"
#include "linear/product_sum.hpp"

namespace mivex::linear {

LinearExpr LinearExpr::constant_of(Rational value) {
  LinearExpr e;
  e.constant = std::move(value);
  return e;
}

LinearExpr LinearExpr::variable(std::uint64_t var) {
  LinearExpr e;
  e.terms.push_back({Rational(1), var});
  return e;
}

LinearExpr LinearExpr::scaled(Rational c, std::uint64_t var) {
  LinearExpr e;
  if (!c.is_zero()) e.terms.push_back({std::move(c), var});
  return e;
}

LinearExpr LinearExpr::canonical(std::vector<Term> terms, Rational constant) {
  LinearExpr e;
  e.constant = std::move(constant);
  if (terms.size() >= 2) {
    std::stable_sort(terms.begin(), terms.end(),
                     [](const Term& a, const Term& b) { return a.var < b.var; });
  }
  for (Term& t : terms) {
    if (!e.terms.empty() && e.terms.back().var == t.var) {
      e.terms.back().coef = e.terms.back().coef + t.coef;
    } else {
      e.terms.push_back(std::move(t));
    }
  }
  std::erase_if(e.terms, [](const Term& t) { return t.coef.is_zero(); });
  return e;
}

LinearExpr operator+(LinearExpr a, LinearExpr b) {
  Rational constant = a.constant + b.constant;
  a.terms.reserve(a.terms.size() + b.terms.size());
  for (Term& t : b.terms) a.terms.push_back(std::move(t));
  return LinearExpr::canonical(std::move(a.terms), std::move(constant));
}

LinearExpr operator-(LinearExpr a, LinearExpr b) {
  for (Term& t : b.terms) t.coef = -t.coef;
  b.constant = -b.constant;
  return std::move(a) + std::move(b);
}

Rational LinearExpr::evaluate(const std::vector<Rational>& values) const {
  ProductSum sum(ProductSum::Words::Apart);
  for (const Term& t : terms) {
    if (t.var >= values.size()) stop("variable index out of range");
    sum.add(t.coef, values[t.var]);
  }
  return sum.value() + constant;
}

}  // namespace mivex::linear
