// Going on exactly from a basis (exact/primal_repair.hpp): from the
// all-slack basis of random programs whose origin is feasible, the exact
// primal simplex must reach what the textbook pivots reach, with a
// certificate the checker accepts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "exact/primal_repair.hpp"
#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

using mivex::Cancel;
using mivex::LpResult;
using mivex::exact::continue_primal;
using mivex::exact::LpAnswer;
using mivex::linear::LinearSystem;
using mivex::linear::Rational;

namespace {

// A program whose rows x = 0 satisfies: <= rows with b >= 0, >= rows with
// b <= 0, and equalities with b = 0.
std::string random_program(std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int n = pick(1, 6);
  const int m = pick(1, 6);
  auto expr = [&]() {
    std::string e;
    for (int j = 0; j < n; ++j) e += (j ? " + " : "") + std::to_string(pick(-4, 5)) + "*x" + std::to_string(j);
    return e;
  };
  std::string text = (pick(0, 1) ? "max " : "min ") + expr() + "\n";
  for (int i = 0; i < m; ++i) {
    const int kind = pick(0, 5);
    if (kind <= 3) text += expr() + " <= " + std::to_string(pick(0, 9)) + "\n";
    if (kind == 4) text += expr() + " >= " + std::to_string(-pick(0, 9)) + "\n";
    if (kind == 5) text += expr() + " = 0\n";
  }
  return text;
}

}  // namespace

TEST(ExactRepair, FromTheSlackBasisAgreesWithTheTextbookPivots) {
  std::mt19937 rng(20261209);
  for (int round = 0; round < 400; ++round) {
    const std::string text = random_program(rng);
    auto parsed = mivex::parser::LpFormatParser::parse(text);
    ASSERT_TRUE(std::holds_alternative<LinearSystem>(parsed)) << text;
    const LinearSystem& system = std::get<LinearSystem>(parsed);
    auto form = mivex::lp::column_form(system);
    ASSERT_TRUE(form.has_value());
    mivex::lp::Basis slack{std::vector<bool>(form->n, false), std::vector<bool>(form->m, true)};
    std::optional<LpAnswer> answer = continue_primal(*form, slack, 100000, Cancel::none());
    ASSERT_TRUE(answer.has_value()) << text;
    ASSERT_TRUE(answer->certified);

    mivex::lp::LpSolver pivots(system.clone());
    pivots.set_fast_path(mivex::lp::LpSolver::FastPath::Off);
    const LpResult expected = pivots.solve();
    if (expected.kind() == LpResult::Kind::Unbounded) {
      EXPECT_EQ(answer->status, LpAnswer::Status::Unbounded) << text;
      continue;
    }
    ASSERT_EQ(expected.kind(), LpResult::Kind::Optimal) << text;
    ASSERT_EQ(answer->status, LpAnswer::Status::Optimal) << text;
    EXPECT_EQ(system.objective->expr.evaluate(answer->x), pivots.exact_objective()) << text;
  }
}

TEST(ExactRepair, RefusesABasisWhosePointIsInfeasible) {
  auto parsed = mivex::parser::LpFormatParser::parse("min x0\nx0 >= 2\n");
  auto form = mivex::lp::column_form(std::get<LinearSystem>(parsed));
  mivex::lp::Basis slack{{false}, {true}};
  EXPECT_FALSE(continue_primal(*form, slack, 100, Cancel::none()).has_value());
  mivex::lp::Basis structural{{true}, {false}};
  auto answer = continue_primal(*form, structural, 100, Cancel::none());
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->x[0], Rational(2));
}
