// What the DIMACS reader stores (its messages are checked through solve_sat).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/dimacs.hpp"

namespace {

using namespace mivex::parser;

std::vector<std::vector<std::int32_t>> clauses_of(const DimacsProblem& p) {
  std::vector<std::vector<std::int32_t>> out;
  for (std::size_t i = 0; i < p.clause_count(); ++i) out.emplace_back(p.clause(i).begin(), p.clause(i).end());
  return out;
}

TEST(DimacsReader, KeepsClausesAsWritten) {
  DimacsParse parsed = parse_dimacs(
      "c lead\np cnf 2 9\n1 -1 1 0 0\n 2\nc inside a clause\n-2147483648 +3 -0\r\n"
      "p cnf 7 1\n2147483647 5");
  ASSERT_TRUE(std::holds_alternative<DimacsProblem>(parsed));
  const auto& p = std::get<DimacsProblem>(parsed);
  std::vector<std::vector<std::int32_t>> expected{
      {1, -1, 1}, {}, {2, -2147483647 - 1, 3}, {2147483647, 5}};
  EXPECT_EQ(clauses_of(p), expected);
  EXPECT_EQ(p.num_vars, 7u);  // the last problem line's counts
  EXPECT_EQ(p.num_clauses, 1u);
  EXPECT_EQ(p.max_magnitude(), 2147483648u);
}

TEST(DimacsReader, EmptyProblem) {
  DimacsParse parsed = parse_dimacs("p cnf 0 0");
  const auto& p = std::get<DimacsProblem>(parsed);
  EXPECT_EQ(p.clause_count(), 0u);
  EXPECT_EQ(p.max_magnitude(), 0u);
  EXPECT_EQ(std::get<std::string>(parse_dimacs("p cnf 0 0\n1 2 0 3 4 @")),
            "line 2: invalid literal '@'");
}

}  // namespace
