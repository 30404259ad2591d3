// The SAT path's checks: a model is checked against every input clause
// before it is returned, and a zero literal reaching the solver is a broken
// invariant, not a clause.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

#include "core/assignment.hpp"
#include "core/error.hpp"
#include "parser/dimacs.hpp"
#include "sat/model_check.hpp"
#include "sat/solver.hpp"

using namespace mivex;

TEST(SatModelCheck, AcceptsOnlyModelsOfEveryClause) {
  auto parsed = parser::parse_dimacs("p cnf 3 3\n1 -2 0\n2 3 0\n-1 -3 0\n");
  const auto clauses = std::get<parser::DimacsProblem>(parsed).clauses();
  auto model = [](bool a, bool b, bool c) {
    Assignment m;
    for (bool v : {a, b, c}) m.append(m.size(), Value::boolean(v));
    return m;
  };
  EXPECT_NO_THROW(sat::check_model(clauses, model(true, true, false)));
  for (auto [m, message] : {std::pair{model(true, true, true), "SAT model violates an input clause"},
                            std::pair{model(false, true, false), "SAT model violates an input clause"},
                            std::pair{Assignment(), "SAT model is missing a variable"}}) {
    try {
      sat::check_model(clauses, m);
      ADD_FAILURE() << message;
    } catch (const Stop& stop) {
      EXPECT_STREQ(stop.what(), message);
    }
  }
}

TEST(SatSolver, ZeroLiteralIsABrokenInvariant) {
  sat::Solver solver;
  std::vector<std::int32_t> clause{1, 0};
  try {
    solver.add_clause(clause);
    FAIL();
  } catch (const Stop& stop) {
    EXPECT_STREQ(stop.what(), "DIMACS literal cannot be 0");
  }
}
