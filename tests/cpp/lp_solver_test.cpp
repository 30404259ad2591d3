#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/memory.hpp"
#include "lp/solver.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::LinearSystem;

namespace {

LinearSystem read(const std::string& text) { return support::parse_lp(text); }

}  // namespace

TEST(LpSolver, WithoutSystemAndRepeatable) {
  LpSolver empty;
  EXPECT_EQ(empty.solve().status(), "UNKNOWN (internal: no system loaded)");
  LpSolver s(read("max 3*x0 + 2*x1\nx0 + x1 <= 4\nx0 + 3*x1 <= 6\nx0 <= 3"));
  s.set_fast_path(LpSolver::FastPath::Off);
  LpResult first = s.solve();
  LpResult second = s.solve();
  EXPECT_EQ(first.text(), "OPTIMAL (obj=11)\nModel: [x0 -> 3, x1 -> 1]");
  EXPECT_EQ(second.text(), first.text());
}

TEST(LpSolver, NegativeRightHandSides) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"min x0\nx0 >= -2", "OPTIMAL (obj=0)\nModel: [x0 -> 0]"},
      {"max x0\n-x0 >= -3", "OPTIMAL (obj=3)\nModel: [x0 -> 3]"},
      {"min x0\n-x0 <= -3", "OPTIMAL (obj=3)\nModel: [x0 -> 3]"},
      {"min x0 + x1\nx0 - x1 <= -1", "OPTIMAL (obj=1)\nModel: [x0 -> 0, x1 -> 1]"},
      {"min x0 + x1\n-x0 - x1 = -2.5", "OPTIMAL (obj=2.5)\nModel: [x0 -> 2.5, x1 -> 0]"},
      {"max x0\nx0 >= -2\n-x0 <= 3\nx0 - x1 <= -1\nx1 <= 4", "OPTIMAL (obj=3)\nModel: [x0 -> 3, x1 -> 4]"},
      {"min x0\nx0 <= -1", "INFEASIBLE"},
  };
  for (const auto& c : cases) {
    LpSolver s(read(c.text));
    EXPECT_EQ(s.solve().text(), c.expected) << c.text;
  }
}

// Beale's example cycles forever under the largest-coefficient rule with
// these tie-breaks; the repeated basis switches the phase to Bland's rule.
TEST(LpSolver, BealeCycleEndsAtTheOptimum) {
  LpSolver s(read("min -0.75*x0 + 20*x1 - 0.5*x2 + 6*x3\n"
                  "0.25*x0 - 8*x1 - 1*x2 + 9*x3 <= 0\n"
                  "0.5*x0 - 12*x1 - 0.5*x2 + 3*x3 <= 0\n"
                  "x2 <= 1"));
  s.set_fast_path(LpSolver::FastPath::Off);
  LpResult r = s.solve();
  EXPECT_EQ(r.text(), "OPTIMAL (obj=-1.25)\nModel: [x0 -> 1, x1 -> 0, x2 -> 1, x3 -> 0]");
  EXPECT_TRUE(s.stats().bland);
  // Without degeneracy the specified rule runs alone.
  LpSolver plain(read("max 3*x0 + 2*x1\nx0 + x1 <= 4\nx0 + 3*x1 <= 6"));
  plain.set_fast_path(LpSolver::FastPath::Off);
  plain.solve();
  EXPECT_FALSE(plain.stats().bland);
}

// The artificial of -x0 - x1 = 0 stays basic at zero after phase 1; raising
// x0 in phase 2 would lift it and break the equality (x0 = 3, or unbounded).
TEST(LpSolver, ArtificialLeftBasicIsDrivenOut) {
  LpSolver bounded(read("max x0\n-x0 - x1 = 0\nx0 <= 3"));
  bounded.set_fast_path(LpSolver::FastPath::Off);
  EXPECT_EQ(bounded.solve().text(), "OPTIMAL (obj=0)\nModel: [x0 -> 0, x1 -> 0]");
  EXPECT_TRUE(bounded.stats().second_run);
  LpSolver unbounded(read("max x0\n-x0 - x1 = 0"));
  unbounded.set_fast_path(LpSolver::FastPath::Off);
  EXPECT_EQ(unbounded.solve().text(), "OPTIMAL (obj=0)\nModel: [x0 -> 0, x1 -> 0]");
  EXPECT_TRUE(unbounded.stats().second_run);
  // A sound answer with an artificial basic at zero is kept as it is.
  LpSolver redundant(read("max x0 + x1\nx0 + x1 = 2\n2*x0 + 2*x1 = 4\nx0 <= 1"));
  redundant.set_fast_path(LpSolver::FastPath::Off);
  EXPECT_EQ(redundant.solve().text(), "OPTIMAL (obj=2)\nModel: [x0 -> 1, x1 -> 1]");
  EXPECT_FALSE(redundant.stats().second_run);
}

// The Klee-Minty cube of dimension n takes 2^n - 1 pivots under this rule.
TEST(LpSolver, KleeMintyTakesEveryVertex) {
  for (int n = 2; n <= 7; ++n) {
    std::string text = "max";
    for (int j = 0; j < n; ++j) text += " + " + std::to_string(1LL << (n - 1 - j)) + "*x" + std::to_string(j);
    for (int i = 0; i < n; ++i) {
      text += "\n";
      for (int j = 0; j < i; ++j) text += std::to_string(1LL << (i - j + 1)) + "*x" + std::to_string(j) + " + ";
      text += "x" + std::to_string(i) + " <= " + std::to_string(static_cast<long long>(std::pow(5, i + 1)));
    }
    LpSolver s(read(text));
    s.set_fast_path(LpSolver::FastPath::Off);
    LpResult r = s.solve();
    EXPECT_EQ(r.objective(), std::pow(5.0, n)) << n;
    EXPECT_EQ(s.stats().pivots, (std::size_t{1} << n) - 1) << n;
  }
}

TEST(LpSolver, CancelStopsBetweenPivots) {
  int polls = 0;
  Cancel cancel([](void* count) { return ++*static_cast<int*>(count) > 2; }, &polls);
  LpSolver s(read("max 3*x0 + 2*x1 + x2\nx0 + x1 + x2 <= 4\nx0 + 3*x1 <= 6\nx0 <= 3\nx2 <= 1"));
  EXPECT_THROW(s.solve(cancel), Interrupted);
}

// bore3d's phase 2 starts over: an interrupt anywhere, the second run
// included, ends the solve; otherwise the answer is the same.
TEST(LpSolver, CancelStopsAnywhereInASolveWithASecondRun) {
  const auto bore3d = support::corpus_model("lp", "bore3d");
  if (!bore3d) GTEST_SKIP() << "corpus not found";
  const LinearSystem& system = *bore3d;
  std::string answer;
  for (int limit : {1, 40, 150, 400, 1000000}) {
    int polls = 0;
    struct Count {
      int* polls;
      int limit;
    } count{&polls, limit};
    Cancel cancel([](void* c) { auto* k = static_cast<Count*>(c); return ++*k->polls > k->limit; }, &count);
    LpSolver s(system.clone());
    s.set_fast_path(LpSolver::FastPath::Off);
    try {
      LpResult r = s.solve(cancel);
      if (answer.empty()) answer = r.text();
      EXPECT_EQ(r.text(), answer) << limit;
      EXPECT_TRUE(s.stats().second_run);
    } catch (const Interrupted&) {
      EXPECT_LT(limit, 1000000);
    }
  }
  EXPECT_FALSE(answer.empty());
}

// netlib bore3d: phase 2 lifts an artificial left basic after phase 1
// (literally followed, the method reports 973.08); the second run gives the optimum.
TEST(LpSolver, Bore3dFromCorpus) {
  const std::filesystem::path file = support::corpus_dir("lp") / "bore3d.lp";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus not found";
  LpSolver s(std::get<LinearSystem>(support::read_lp_file(file)));
  s.set_fast_path(LpSolver::FastPath::Off);
  LpResult r = s.solve();
  ASSERT_EQ(r.status(), "OPTIMAL");
  EXPECT_NEAR(r.objective(), 1373.0803942, 1373.0803942 * 1e-8);
  EXPECT_TRUE(s.stats().second_run);
}

// The memory check compares an estimate with what the machine has left:
// nothing is refused below it, and a request beyond it names the problem.
TEST(LpSolver, RefusesOnlyWhatCannotFit) {
  EXPECT_NO_THROW(require_memory(std::uint64_t{1} << 20, "small"));
  try {
    require_memory(std::uint64_t{1} << 62, "LP with 3 rows");
    ADD_FAILURE() << "expected a refusal";
  } catch (const MemoryRefusal& refusal) {
    EXPECT_NE(std::string(refusal.what()).find("LP with 3 rows needs about"), std::string::npos);
  }
}
