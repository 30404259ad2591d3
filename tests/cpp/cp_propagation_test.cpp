// The documented narrowing examples, checked on the solver's propagation
// (to its fixpoint) and on the oracle's single application of the propagator.
#include <gtest/gtest.h>

#include "cp/search.hpp"
#include "support/cp_reference.hpp"
#include "parser/cp_format.hpp"

namespace {

using namespace mivex;
using namespace mivex::cp;
using Domains = reference::Domains;

CpProblem read(const std::string& text) {
  auto parsed = parser::parse_cp(text);
  if (auto* message = std::get_if<std::string>(&parsed)) ADD_FAILURE() << *message;
  return std::get<CpProblem>(std::move(parsed));
}

struct Example {
  std::string text;
  std::optional<Domains> narrowed;  // none: propagation fails
};

void expect_narrowing(const Example& example) {
  SCOPED_TRACE(example.text);
  CpProblem problem = read(example.text);
  ASSERT_EQ(problem.constraints.size(), 1u);

  Domains oracle;
  for (const auto& v : problem.vars) oracle.push_back({v.min, v.max});
  bool oracle_ok = reference::propagate(problem.constraints[0], oracle);
  EXPECT_EQ(oracle_ok, example.narrowed.has_value());
  if (oracle_ok) {
    EXPECT_EQ(oracle, *example.narrowed);
  }

  CpSolver solver(problem);
  bool ok = solver.propagate_all();
  EXPECT_EQ(ok, example.narrowed.has_value());
  if (ok) {
    Domains fast;
    for (std::size_t v = 0; v < solver.num_vars(); ++v) fast.push_back({solver.lo(v), solver.hi(v)});
    EXPECT_EQ(fast, *example.narrowed);
  }
}

const std::string kX10 = "var x -10 10\n";

TEST(CpPropagation, BinaryConstraints) {
  const Example examples[] = {
      {"var x 0 5\nvar y 3 9\neq x y", Domains{{3, 5}, {3, 5}}},
      {"var x 0 2\nvar y 3 4\neq x y", std::nullopt},
      {"var x 3 3\nvar y 3 7\nneq x y", Domains{{3, 3}, {4, 7}}},
      {"var x 3 3\nvar y 1 7\nneq x y", Domains{{3, 3}, {1, 7}}},
      {"var x 3 3\nvar y 1 3\nneq x y", Domains{{3, 3}, {1, 2}}},
      {"var x 3 3\nvar y 3 3\nneq x y", std::nullopt},
      {"var x 0 5\nvar y 0 5\nlt x y", Domains{{0, 4}, {1, 5}}},
      {"var x 4 9\nvar y 0 4\nlt x y", std::nullopt},
      {"var x 0 10\nvar y 0 3\nle x y 2", Domains{{0, 5}, {0, 3}}},
  };
  for (const auto& example : examples) expect_narrowing(example);
}

TEST(CpPropagation, LinearRoundsExactlyForEitherSign) {
  const Example examples[] = {
      {"var x 0 10\nvar y 0 10\nlinear 2 x 3 y 12 le", Domains{{0, 6}, {0, 4}}},
      {kX10 + std::string("linear 2 x 7 le"), Domains{{-10, 3}}},
      {kX10 + std::string("linear 2 x 7 ge"), Domains{{4, 10}}},
      {kX10 + std::string("linear 2 x -7 le"), Domains{{-10, -4}}},
      {kX10 + std::string("linear -2 x 7 le"), Domains{{-3, 10}}},
      {kX10 + std::string("linear 2 x 7 eq"), std::nullopt},
      {kX10 + std::string("linear -3 x -7 eq"), std::nullopt},
      {kX10 + std::string("linear -3 x -6 eq"), Domains{{2, 2}}},
      // A zero coefficient never narrows its variable and adds 0 to the others.
      {"var x 0 10\nvar y 0 10\nlinear 0 x 1 y 3 le", Domains{{0, 10}, {0, 3}}},
  };
  for (const auto& example : examples) expect_narrowing(example);
}

TEST(CpPropagation, RepeatedVariablesAreMergedAndConstantsJudged) {
  const Example examples[] = {
      {"var x 0 10\nlinear 1 x 1 x 4 le", Domains{{0, 2}}},  // 2x <= 4
      {"var x 3 10\nlinear 1 x 1 x 4 le", std::nullopt},     // 2x >= 6 > 4
      {"var x 0 10\nlinear 1 x -1 x 0 le", Domains{{0, 10}}},  // 0 <= 0 holds
      {"var x 3 10\nlinear 1 x -1 x 0 le", Domains{{3, 10}}},
      {"var x 0 10\nvar y 0 10\nlinear 1 x 1 y -1 x 2 y 9 le", Domains{{0, 10}, {0, 3}}},
      {"var x 0 10\nlinear 0 x 5 ge", std::nullopt},  // 0 >= 5
      {"var x 0 10\nlinear 0 x -5 ge", Domains{{0, 10}}},
      {"var x 0 10\nlinear 2 x -2 x 1 eq", std::nullopt},
  };
  for (const auto& example : examples) expect_narrowing(example);
}

TEST(CpPropagation, AllDifferent) {
  const Example examples[] = {
      {"var x 2 2\nvar y 2 5\nvar z 0 2\nvar w 1 3\nalldifferent x y z w",
       Domains{{2, 2}, {3, 5}, {0, 1}, {1, 3}}},
      {"var x 2 2\nvar y 2 2\nvar z 0 9\nallDiff x y z", std::nullopt},
      {"var x 4 4\nallDiff x x", std::nullopt},  // a repeated variable fails once fixed
  };
  for (const auto& example : examples) expect_narrowing(example);
}

TEST(CpPropagation, SelfComparisons) {
  const Example examples[] = {
      {"var x 0 5\nlt x x", std::nullopt},
      {"var x 0 5\nle x x -1", std::nullopt},
      {"var x 0 5\nle x x 0", Domains{{0, 5}}},
      {"var x 0 5\neq x x", Domains{{0, 5}}},
  };
  for (const auto& example : examples) expect_narrowing(example);
}

TEST(CpPropagation, BoundsAtTheEndsOfTheRangeDoNotWrap) {
  const std::string max = "9223372036854775807", min = "-9223372036854775808";
  const std::int64_t kMax = INT64_MAX;
  const std::string cases[] = {
      // x < y with y at the bottom of the range: x has no value left.
      "var x " + min + " 0\nvar y " + min + " " + min + "\nlt x y",
      // x <= y + c with hi(y) + c beyond the top: no narrowing of x.
      "var x 0 " + max + "\nvar y 5 " + max + "\nle x y " + max,
      // A fixed value at the top of the range cannot be stepped over.
      "var x " + max + " " + max + "\nvar y " + max + " " + max + "\nvar z 0 1\nalldifferent x y z",
      // Huge products: 2^62 * x <= 2^62 with x in -4..4 gives x <= 1.
      "var x -4 4\nlinear 4611686018427387904 x 4611686018427387904 le",
      // A coefficient of -2^63: -2^63 * x >= -2^63 gives x <= 1.
      "var x -3 3\nlinear " + min + " x " + min + " ge",
      // Merged coefficients beyond 64 bits: (2^63 - 1) * 2 * x <= -1 gives x <= -1.
      "var x -2 2\nlinear " + max + " x " + max + " x -1 le",
  };
  const std::optional<Domains> expected[] = {
      std::nullopt,
      Domains{{0, kMax}, {5, kMax}},
      std::nullopt,
      Domains{{-4, 1}},
      Domains{{-3, 1}},
      Domains{{-2, -1}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) expect_narrowing({cases[i], expected[i]});
}

}  // namespace
