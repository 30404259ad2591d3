// Branch and bound answers the fast path of its node LPs from one warm
// floating-point model. Whichever way the nodes are solved, the search must
// be the same: the same tree (nodes examined, LPs solved) and the same
// result, bit for bit. And the warm model must answer, or it is only cost.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "lp/certified/column_form.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/solver.hpp"
#include "lp/factor/standard_form.hpp"
#include "milp/solver.hpp"
#include "parser/lp_format.hpp"
#include "same_search.hpp"
#include "support/generated_milp.hpp"
#include "support/lp_files.hpp"
#include "support/soak.hpp"

using namespace mivex;
using linear::LinearSystem;
using linear::Rational;

namespace {

LinearSystem read(const std::string& text) { return support::parse_lp(text); }

struct Both {
  milp::SearchStats fast, pivots;
};

// Solve with the fast path first on every node and with the pivots alone;
// the two searches must not differ in anything observable.
Both expect_same_ways(const LinearSystem& system, std::size_t node_limit, const std::string& name) {
  milp::BranchAndBound fast(system, node_limit, milp::NodeLpWay::FastFirst);
  milp::BranchAndBound pivots(system, node_limit, milp::NodeLpWay::PivotsOnly);
  LpResult a = fast.solve(), b = pivots.solve();
  expect_same_search(a, fast.stats(), b, pivots.stats(), name);
  // Each way did what it was told.
  EXPECT_EQ(fast.stats().pivots_only, 0u) << name;
  EXPECT_EQ(pivots.stats().fast_answered + pivots.stats().fast_missed, 0u) << name;
  return {fast.stats(), pivots.stats()};
}

}  // namespace

TEST(MilpWarmStart, FastPathAndPivotsGiveTheSameSearchOnGeneratedMilps) {
  support::MilpGen g{std::mt19937_64(support::soak_seed(31))};
  std::size_t answered = 0, missed = 0, node_lps = 0;
  int branched = 0;
  const int rounds = support::soak_rounds(1000);
  for (int round = 0; round < rounds; ++round) {
    const std::string text = support::generated_milp(g);
    LinearSystem system = read(text);
    Both s = expect_same_ways(system, round % 5 == 0 ? 7 : 200, text);
    answered += s.fast.fast_answered;
    missed += s.fast.fast_missed;
    node_lps += s.fast.lp_solves - 1;
    branched += s.fast.nodes > 0;
    if (HasFailure()) break;
  }
  std::printf("node LPs %zu: fast path answered %zu, missed %zu; %d of %d searches branched\n", node_lps,
              answered, missed, branched, rounds);
  // The families branch, and both outcomes of the fast path occur often.
  EXPECT_GT(branched, rounds / 3);
  EXPECT_GT(answered, node_lps / 3);
  EXPECT_GT(missed, 50u);
}

// Once there is an incumbent, a node the fast path proves no better than it,
// with a variable fractional at every optimal point, is settled without its
// pivots: it pushes the two children the pivots would have made it push,
// with the same key. The search must stay the same node for node, heap
// ties included (covering programs tie often: costs of 1 and 2).
TEST(MilpWarmStart, HopelessNodesBranchAsTheirPivotsWould) {
  support::MilpGen g{std::mt19937_64(support::soak_seed(41))};
  std::size_t hopeless = 0, node_lps = 0;
  const int rounds = support::soak_rounds(600);
  for (int round = 0; round < rounds; ++round) {
    const std::string text = round % 3 ? support::covering_milp(g) : support::generated_milp(g);
    Both s = expect_same_ways(read(text), round % 5 == 0 ? 9 : 300, text);
    hopeless += s.fast.hopeless;
    node_lps += s.fast.lp_solves - 1;
    if (HasFailure()) break;
  }
  std::printf("node LPs %zu: %zu settled without pivots\n", node_lps, hopeless);
  EXPECT_GT(hopeless, node_lps / 100);
}

// The quick corpus MILPs, to a node limit that keeps the test short.
TEST(MilpWarmStart, FastPathAndPivotsGiveTheSameSearchOnCorpusMilps) {
  if (!std::filesystem::exists(support::corpus_dir("milp"))) GTEST_SKIP() << "corpus not found";
  std::size_t seen = 0;
  for (const char* name : {"assign5", "bell3a", "egout", "enigma", "exmip1", "facility5_10", "flugpl", "gt2",
                           "knap20", "lseu", "pack1", "scOneInt", "tp3", "tp4"}) {
    const auto system = support::corpus_model("milp", name);
    if (!system) continue;
    Both s = expect_same_ways(*system, 150, name);
    // Models whose node LPs mostly have one optimum: the warm model must
    // answer most of them.
    if (std::string(name) == "bell3a" || std::string(name) == "egout") {
      EXPECT_GT(s.fast.fast_answered, 100u) << name;
    }
    ++seen;
  }
  EXPECT_GE(seen, 10u);
}

// The search's own path choice also keeps the answer: the default search on
// a model large enough for the fast path against the pivots alone.
TEST(MilpWarmStart, MeasuredChoiceGivesTheSameSearch) {
  const std::filesystem::path file = support::corpus_dir("milp") / "bell3a.lp";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus not found";
  LinearSystem system = std::get<LinearSystem>(support::read_lp_file(file));
  milp::BranchAndBound measured(system, 300);
  milp::BranchAndBound pivots(system, 300, milp::NodeLpWay::PivotsOnly);
  LpResult a = measured.solve(), b = pivots.solve();
  EXPECT_EQ(a.text(), b.text());
  EXPECT_EQ(measured.stats().nodes, pivots.stats().nodes);
  EXPECT_EQ(measured.stats().lp_solves, pivots.stats().lp_solves);
  const auto& s = measured.stats();
  EXPECT_EQ(s.pivots_only + s.fast_answered + s.fast_missed + s.hopeless, s.lp_solves - 1);
  // The fast path was tried (with a second core it races the pivots, which
  // on a loaded machine may win every time).
  EXPECT_GT(s.fast_answered + s.fast_missed, 0u);
}

// One NodeFastPath serving a sequence of node programs (each from the basis
// of a previous one, as in the search) answers exactly what the pivots do
// on each, and leaves the root's form as it found it.
TEST(MilpWarmStart, NodeFastPathAnswersLikeThePivotsAcrossNodes) {
  support::MilpGen g{std::mt19937_64(5)};
  std::size_t answered = 0, total = 0;
  for (int round = 0; round < 120; ++round) {
    LinearSystem system = read(support::generated_milp(g));
    const auto root_form = lp::column_form(system);
    ASSERT_TRUE(root_form);
    auto base = lp::StandardForm::of(system);
    lp::NodeFastPath fast(system, Cancel::none());
    std::shared_ptr<const lp::WarmBasis> start;
    std::vector<linear::LinearConstraint> extra;
    for (int node = 0; node < 8; ++node) {
      // A path of bounds, grown by one row per node, as branching does.
      const std::uint64_t var = system.variables[static_cast<std::size_t>(g.pick(0, static_cast<int>(system.variables.size()) - 1))];
      auto row = linear::LinearExpr::variable(var) - linear::LinearExpr::constant_of(Rational(g.pick(0, 3)));
      extra.push_back({row, g.pick(0, 1) ? linear::CmpOp::Le : linear::CmpOp::Ge, std::nullopt});

      lp::LpSolver pivots(lp::StandardForm::extend(base, extra), system, &extra);
      pivots.set_fast_path(lp::LpSolver::FastPath::Off);
      LpResult expected = pivots.solve();
      auto answer = fast.solve(&extra, node % 3 == 2 ? nullptr : start.get(), Cancel::none());
      if (auto end = fast.last_basis()) start = end;
      ++total;
      if (answer) {
        ++answered;
        ASSERT_EQ(answer->result.text(), expected.text()) << round << " node " << node;
        if (expected.kind() == LpResult::Kind::Optimal) {
          EXPECT_EQ(answer->values, pivots.exact_values());
        }
        // The certificate holds for the node's program as column_form builds it.
        EXPECT_TRUE(lp::verify(*lp::column_form(system, &extra), answer->certificate));
      }
    }
    // The root's rows alone again: the node rows were all taken off.
    lp::LpSolver root(lp::StandardForm::of(system), system);
    root.set_fast_path(lp::LpSolver::FastPath::Off);
    LpResult expected = root.solve();
    if (auto answer = fast.solve(nullptr, nullptr, Cancel::none())) {
      EXPECT_EQ(answer->result.text(), expected.text());
    }
  }
  EXPECT_GT(answered, total / 3);
}

// Appending rows to a form and taking them off again gives exactly the
// forms column_form builds.
TEST(MilpWarmStart, AppendedRowsMatchTheBuiltForm) {
  support::MilpGen g{std::mt19937_64(9)};
  auto same = [](const lp::ColumnForm& a, const lp::ColumnForm& b) {
    return a.n == b.n && a.m == b.m && a.columns == b.columns && a.ops == b.ops && a.rhs == b.rhs && a.cost == b.cost &&
           a.has_objective == b.has_objective && a.maximize == b.maximize;
  };
  for (int round = 0; round < 100; ++round) {
    LinearSystem system = read(support::generated_milp(g));
    auto form = lp::column_form(system);
    ASSERT_TRUE(form);
    const auto root = *form;
    std::vector<linear::LinearConstraint> extra;
    for (int k = 0; k < 4; ++k) {
      const std::uint64_t var = system.variables[static_cast<std::size_t>(g.pick(0, static_cast<int>(system.variables.size()) - 1))];
      extra.push_back({linear::LinearExpr::variable(var) - linear::LinearExpr::constant_of(Rational(k)),
                       k % 2 ? linear::CmpOp::Le : linear::CmpOp::Ge, std::nullopt});
    }
    ASSERT_TRUE(lp::append_rows(*form, extra));
    EXPECT_TRUE(same(*form, *lp::column_form(system, &extra))) << round;
    // A row naming an unknown variable leaves the form as it was.
    std::vector<linear::LinearConstraint> bad = {
        {linear::LinearExpr::variable(0) + linear::LinearExpr::variable(system.variables.size() + 3), linear::CmpOp::Le,
         std::nullopt}};
    EXPECT_FALSE(lp::append_rows(*form, bad));
    EXPECT_TRUE(same(*form, *lp::column_form(system, &extra))) << round;
    lp::truncate_rows(*form, root.m);
    EXPECT_TRUE(same(*form, root)) << round;
  }
}
