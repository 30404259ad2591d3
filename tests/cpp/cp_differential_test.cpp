// The whole CP path against the slow direct oracle on random problems: the
// same status and the same model (the first solution in search order), every
// model a solution, and UNSAT confirmed by enumeration where that is cheap.
#include <gtest/gtest.h>

#include <random>

#include "cp/check.hpp"
#include "api/solve_cp.hpp"
#include "cp/search.hpp"
#include "support/cp_random.hpp"
#include "support/cp_reference.hpp"
#include "support/soak.hpp"

namespace {

using namespace mivex;
using namespace mivex::cp;

std::optional<std::vector<std::int64_t>> solve_fast(const std::string& text) {
  auto outcome = api::solve_cp_text(text, Cancel::none());
  const auto& result = std::get<SolverResult>(outcome);
  if (!result.is_sat()) return std::nullopt;
  std::vector<std::int64_t> values;
  for (const auto& [var, value] : result.assignment().entries()) values.push_back(value.as_int());
  return values;
}

// Whether any assignment within the declared ranges satisfies every constraint,
// or nullopt when there are too many to enumerate.
std::optional<bool> exists_solution(const CpProblem& problem, std::uint64_t limit = 20000) {
  std::uint64_t count = 1;
  for (const auto& v : problem.vars) {
    if (v.min > v.max) return false;
    std::uint64_t width = static_cast<std::uint64_t>(v.max) - static_cast<std::uint64_t>(v.min) + 1;
    if (width > limit || (count *= width) > limit) return std::nullopt;
  }
  std::vector<std::int64_t> values;
  for (const auto& v : problem.vars) values.push_back(v.min);
  for (;;) {
    if (is_solution(problem, values)) return true;
    std::size_t i = 0;
    while (i < values.size() && values[i] == problem.vars[i].max) values[i] = problem.vars[i].min, ++i;
    if (i == values.size()) return false;
    ++values[i];
  }
}

// The solver with a look for difference cycles after every propagator run.
std::optional<std::vector<std::int64_t>> solve_eager_cycles(const CpProblem& problem) {
  CpSolver solver(problem);
  solver.set_first_cycle_look(1);
  if (!solver.propagate_all()) return std::nullopt;
  std::optional<Assignment> model = solver.all_fixed() ? solver.model() : solver.search();
  if (!model) return std::nullopt;
  std::vector<std::int64_t> values;
  for (const auto& [var, value] : model->entries()) values.push_back(value.as_int());
  return values;
}

void run_differential(random::Flavor flavor, std::uint64_t seed, int problems) {
  std::mt19937_64 rng(support::soak_seed(seed));
  problems = support::soak_rounds(problems);
  int sat = 0, unsat = 0;
  for (int n = 0; n < problems; ++n) {
    CpProblem problem = random::random_problem(rng, flavor);
    std::string text = random::to_text(problem);
    SCOPED_TRACE(text);

    auto expected = reference::solve(problem);
    auto actual = solve_fast(text);
    ASSERT_EQ(expected.has_value(), actual.has_value());
    ASSERT_EQ(expected, solve_eager_cycles(problem));
    if (actual) {
      ASSERT_EQ(*expected, *actual);
      ASSERT_TRUE(is_solution(problem, *actual));
      ++sat;
    } else {
      ++unsat;
    }
    if (auto exists = exists_solution(problem)) {
      ASSERT_EQ(*exists, actual.has_value());
    }
  }
  // The generator must keep producing both answers, or the test loses its bite.
  EXPECT_GT(sat, problems / 10);
  EXPECT_GT(unsat, problems / 10);
}

TEST(CpDifferential, SmallDomainsMatchOracleAndEnumeration) {
  run_differential(random::Flavor::Small, 20240601, 4000);
}

TEST(CpDifferential, ExtremeBoundsAndCoefficientsMatchOracle) {
  run_differential(random::Flavor::Extreme, 777, 4000);
}

TEST(CpDifferential, DifferenceCyclesMatchOracle) {
  run_differential(random::Flavor::Difference, 4242, 4000);
}

}  // namespace
