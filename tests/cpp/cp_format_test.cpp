// The CP reader's structure: pair scan of linear lines, terms kept as
// written, redeclared names, and the integer-token rule.
#include <gtest/gtest.h>

#include <limits>

#include "parser/cp_format.hpp"

namespace {

using namespace mivex;
using cp::CpConstraint;

cp::CpProblem read(const std::string& text) {
  auto parsed = parser::parse_cp(text);
  if (auto* message = std::get_if<std::string>(&parsed)) {
    ADD_FAILURE() << *message;
    return {};
  }
  return std::get<cp::CpProblem>(std::move(parsed));
}

TEST(CpFormat, LinearPairsRhsAndRelation) {
  auto p = read("var x 0 1\nvar y 0 1\nlinear 2 x -3 y 6 ge extra\nlinear 0 x 1 x -0 le\nlinear 2 x 10 eq");
  ASSERT_EQ(p.constraints.size(), 3u);
  const auto& first = std::get<CpConstraint::Linear>(p.constraints[0].kind);
  ASSERT_EQ(first.terms.size(), 2u);
  EXPECT_EQ(first.terms[0].coeff, 2);
  EXPECT_EQ(first.terms[0].var, 0u);
  EXPECT_EQ(first.terms[1].coeff, -3);
  EXPECT_EQ(first.terms[1].var, 1u);
  EXPECT_EQ(first.rhs, 6);
  EXPECT_EQ(first.rel, CpConstraint::Rel::Ge);
  // Zero coefficients and repeated variables are stored as written.
  const auto& second = std::get<CpConstraint::Linear>(p.constraints[1].kind);
  ASSERT_EQ(second.terms.size(), 2u);
  EXPECT_EQ(second.terms[0].coeff, 0);
  EXPECT_EQ(second.terms[1].var, 0u);
  EXPECT_EQ(second.rhs, 0);
  EXPECT_EQ(second.rel, CpConstraint::Rel::Le);
  EXPECT_EQ(std::get<CpConstraint::Linear>(p.constraints[2].kind).rel, CpConstraint::Rel::Eq);
}

TEST(CpFormat, RedeclaredNamesAndVariableOrder) {
  auto p = read("var x 0 1\nvar y 2 3\nlt x y\nvar x 5 4\nalldifferent x y x\nle y x -1");
  ASSERT_EQ(p.vars.size(), 3u);
  EXPECT_EQ(p.vars[2].name, "x");
  EXPECT_EQ(p.vars[2].min, 5);
  EXPECT_EQ(p.vars[2].max, 4);  // accepted though empty
  const auto& lt = std::get<CpConstraint::Lt>(p.constraints[0].kind);
  EXPECT_EQ(lt.x, 0u);
  const auto& all = std::get<CpConstraint::AllDifferent>(p.constraints[1].kind);
  EXPECT_EQ(all.vars, (std::vector<std::size_t>{2, 1, 2}));
  const auto& le = std::get<CpConstraint::Le>(p.constraints[2].kind);
  EXPECT_EQ(le.x, 1u);
  EXPECT_EQ(le.y, 2u);
  EXPECT_EQ(le.c, -1);
}

TEST(CpFormat, IntegerTokens) {
  using parser::parse_cp_integer;
  EXPECT_EQ(parse_cp_integer("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parse_cp_integer("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(parse_cp_integer("-0000000000000000000000009"), -9);
  EXPECT_EQ(parse_cp_integer("+0"), 0);
  EXPECT_EQ(parse_cp_integer("-0"), 0);
  for (const char* bad : {"", "+", "-", "+-1", "--1", "1-", " 1", "1.0", "0x10", "1e3",
                          "9223372036854775808", "-9223372036854775809", "99999999999999999999"}) {
    EXPECT_FALSE(parse_cp_integer(bad)) << bad;
  }
}

}  // namespace
