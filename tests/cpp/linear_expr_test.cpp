#include <gtest/gtest.h>

#include "linear/system.hpp"

using namespace mivex::linear;

namespace {

std::vector<std::uint64_t> vars_of(const LinearExpr& e) {
  std::vector<std::uint64_t> v;
  for (const auto& t : e.terms) v.push_back(t.var);
  return v;
}

}  // namespace

TEST(LinearExpr, CanonicalForm) {
  EXPECT_TRUE((LinearExpr::scaled(Rational(2), 0) + LinearExpr::scaled(Rational(-2), 0)).terms.empty());
  LinearExpr sorted = (LinearExpr::variable(3) + LinearExpr::variable(1)) + LinearExpr::variable(2);
  EXPECT_EQ(vars_of(sorted), (std::vector<std::uint64_t>{1, 2, 3}));
  LinearExpr a = LinearExpr::scaled(Rational(1, 2), 4) + LinearExpr::constant_of(Rational(3));
  LinearExpr diff = a - a;
  EXPECT_TRUE(diff.terms.empty());
  EXPECT_EQ(diff.constant, Rational(0));
  EXPECT_EQ((LinearExpr::constant_of(Rational(1, 2)) + LinearExpr::constant_of(Rational(1, 3))).constant,
            Rational(5, 6));
  EXPECT_EQ((LinearExpr::constant_of(Rational(1, 2)) + LinearExpr::constant_of(Rational(-1, 2))).constant,
            Rational(0));
  EXPECT_TRUE(LinearExpr::scaled(Rational(0), 5).terms.empty());
  // Merging keeps one term per variable with the exact sum.
  LinearExpr merged = LinearExpr::canonical(
      {{Rational(1, 3), 2}, {Rational(1), 0}, {Rational(1, 6), 2}, {Rational(-1), 0}}, Rational(7));
  ASSERT_EQ(merged.terms.size(), 1u);
  EXPECT_EQ(merged.terms[0].var, 2u);
  EXPECT_EQ(merged.terms[0].coef, Rational(1, 2));
  EXPECT_EQ(merged.evaluate({Rational(9), Rational(9), Rational(4)}), Rational(9));
}

TEST(LinearSystem, CloneIsIndependent) {
  LinearSystem s;
  std::uint64_t x = s.new_variable();
  s.new_variable();
  s.add_constraint({LinearExpr::variable(x) - LinearExpr::constant_of(Rational(4)), CmpOp::Le, "cap"});
  LinearSystem copy = s.clone();
  copy.add_constraint({LinearExpr::variable(1), CmpOp::Ge, std::nullopt});
  copy.set_integer(1);
  copy.constraints[0].name = "changed";
  EXPECT_EQ(s.constraints.size(), 1u);
  EXPECT_EQ(copy.constraints.size(), 2u);
  EXPECT_EQ(*s.constraints[0].name, "cap");
  EXPECT_FALSE(s.var_info(1).is_integer);
  EXPECT_TRUE(copy.var_info(1).is_integer);
  EXPECT_EQ(s.variables, (std::vector<std::uint64_t>{0, 1}));
  EXPECT_EQ(s.var_info(1).index, 1u);
}
