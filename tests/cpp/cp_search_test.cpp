// Search-level behaviour that the module's answers do not show: when the
// search branches at all, and that it can be interrupted at any node.
#include <gtest/gtest.h>

#include "core/error.hpp"
#include "cp/search.hpp"
#include "parser/cp_format.hpp"

namespace {

using namespace mivex;
using namespace mivex::cp;

CpProblem read(const std::string& text) { return std::get<CpProblem>(parser::parse_cp(text)); }

TEST(CpSearch, BranchesOnlyWhenPropagationLeavesChoices) {
  // Fixed by declaration and consistent: no search node at all.
  CpSolver fixed(read("var x 2 2\nvar y 4 4\nlt x y\nneq x y"));
  ASSERT_TRUE(fixed.propagate_all());
  EXPECT_TRUE(fixed.all_fixed());
  EXPECT_EQ(fixed.nodes(), 0u);

  // x < y on 0..2: x = 0 then y = 1, two nodes, no failure.
  CpSolver lt(read("var x 0 2\nvar y 0 2\nlt x y"));
  ASSERT_TRUE(lt.propagate_all());
  EXPECT_EQ(lt.lo(0), 0);
  EXPECT_EQ(lt.hi(0), 1);
  EXPECT_EQ(lt.lo(1), 1);
  auto model = lt.search();
  ASSERT_TRUE(model);
  EXPECT_EQ(model->text(), "[x0 -> 0, x1 -> 1]");
  EXPECT_EQ(lt.nodes(), 2u);

  // Three variables over two values, pairwise different: both values of the
  // first variable fail after one more decision each.
  CpSolver pigeons(read("var a 0 1\nvar b 0 1\nvar c 0 1\nalldifferent a b c"));
  ASSERT_TRUE(pigeons.propagate_all());
  EXPECT_FALSE(pigeons.search());
  EXPECT_EQ(pigeons.nodes(), 2u);
}

TEST(CpSearch, InterruptionUnwindsFromADeepSearch) {
  struct Counter {
    int polls = 0;
  } counter;
  Cancel cancel([](void* c) { return ++static_cast<Counter*>(c)->polls > 50; }, &counter);
  // 2x + 2y + 2z = 1 over a wide range: every branch fails, and there are
  // far too many to finish.
  const std::string wide = "-1000000000000 1000000000000";
  CpSolver solver(read("var x " + wide + "\nvar y " + wide + "\nvar z " + wide +
                       "\nlinear 2 x 2 y 2 z 1 eq"), cancel);
  EXPECT_THROW(
      {
        if (solver.propagate_all()) solver.search();
      },
      Interrupted);
  EXPECT_GT(counter.polls, 50);
}

}  // namespace
