#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "milp/solver.hpp"
#include "parser/lp_format.hpp"
#include "support/soak.hpp"

using namespace mivex;
using namespace mivex::milp;

namespace {

linear::LinearSystem read(const std::string& text) {
  auto parsed = parser::LpFormatParser::parse(text);
  EXPECT_TRUE(std::holds_alternative<linear::LinearSystem>(parsed)) << text;
  return std::get<linear::LinearSystem>(std::move(parsed));
}

}  // namespace

// Small pure-integer programs (every variable in 0..3) against enumeration,
// under node limits from tiny to the real one: an answer reported OPTIMAL is
// always the true optimum, FEASIBLE is a valid point no better than it, and
// the resource-limit status appears only when the limit was reached.
TEST(BranchAndBound, NodeLimitNeverTurnsAGuessIntoAnOptimum) {
  std::mt19937 rng(static_cast<std::uint32_t>(support::soak_seed(2024)));
  int feasible_seen = 0, optimal_at_small_limit = 0;
  for (int round = 0; round < support::soak_rounds(150); ++round) {
    const int n = 2 + static_cast<int>(rng() % 3);
    const bool maximize = rng() % 2;
    auto coef = [&] { return static_cast<int>(rng() % 11) - 5; };
    std::vector<int> c(n);
    std::ostringstream text;
    text << (maximize ? "max " : "min ");
    for (int j = 0; j < n; ++j) text << (j ? " + " : "") << (c[j] = coef()) << "*x" << j;
    text << "\n";
    const int m = 1 + static_cast<int>(rng() % 3);
    std::vector<std::vector<int>> a(m, std::vector<int>(n));
    std::vector<int> b(m);
    for (int i = 0; i < m; ++i) {
      for (int j = 0; j < n; ++j) text << (j ? " + " : "") << (a[i][j] = coef()) << "*x" << j;
      text << " <= " << (b[i] = static_cast<int>(rng() % 9)) << ".5\n";
    }
    for (int j = 0; j < n; ++j) text << "x" << j << " <= 3\nint x" << j << "\n";

    // Enumerate every integer point.
    std::optional<int> best;
    std::vector<int> x(n, 0);
    for (int code = 0; code < (1 << (2 * n)); ++code) {
      for (int j = 0; j < n; ++j) x[j] = (code >> (2 * j)) & 3;
      bool ok = true;
      for (int i = 0; i < m && ok; ++i) {
        long lhs = 0;
        for (int j = 0; j < n; ++j) lhs += long(a[i][j]) * x[j];
        ok = 2 * lhs <= 2 * b[i] + 1;
      }
      if (!ok) continue;
      int value = 0;
      for (int j = 0; j < n; ++j) value += c[j] * x[j];
      if (!best || (maximize ? value > *best : value < *best)) best = value;
    }

    auto system = read(text.str());
    for (std::size_t limit : {1, 2, 3, 5, 8, 13, 1000}) {
      BranchAndBound bb(system, limit);
      LpResult r = bb.solve();
      SCOPED_TRACE(text.str() + " limit " + std::to_string(limit));
      switch (r.kind()) {
        case LpResult::Kind::Optimal:
          ASSERT_TRUE(best);
          EXPECT_EQ(r.objective(), *best);
          if (bb.stats().nodes >= limit && limit < 1000) ++optimal_at_small_limit;
          break;
        case LpResult::Kind::Feasible: {
          ASSERT_TRUE(best);
          ++feasible_seen;
          double value = 0;
          for (int j = 0; j < n; ++j) value += c[j] * r.assignment().get(j)->as_f64();
          EXPECT_TRUE(maximize ? value <= *best : value >= *best);
          EXPECT_EQ(bb.stats().nodes, limit);
          break;
        }
        case LpResult::Kind::Infeasible: EXPECT_FALSE(best); break;
        case LpResult::Kind::Unknown:
          EXPECT_EQ(r.status(), "UNKNOWN (resource limit)");
          EXPECT_EQ(bb.stats().nodes, limit);
          break;
        case LpResult::Kind::Unbounded: FAIL() << "bounded problem reported unbounded";
      }
      if (limit == 1000) {
        EXPECT_NE(r.kind(), LpResult::Kind::Feasible);
      }
    }
  }
  // Both sides of the limit rule were exercised.
  EXPECT_GT(feasible_seen, 0);
  EXPECT_GT(optimal_at_small_limit, 0);
}
