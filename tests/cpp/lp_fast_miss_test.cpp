// Corpus models and the fast path: the ones it answers keep being answered
// by it, and the ones with several optimal points are given up by the early
// exit (a few exact solves) rather than after the duals and weight search.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>

#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/certified/float_propose.hpp"
#include "core/error.hpp"
#include "lp/solver.hpp"
#include "parser/lp_format.hpp"
#include "support/generated_milp.hpp"
#include "support/lp_files.hpp"
#include "support/soak.hpp"

using namespace mivex;
using namespace mivex::lp;

namespace {

std::filesystem::path corpus_lp() { return support::corpus_dir("lp"); }

std::optional<linear::LinearSystem> read_model(const std::string& name) {
  auto parsed = support::read_lp_file(corpus_lp() / (name + ".lp"));
  if (!std::holds_alternative<linear::LinearSystem>(parsed)) return std::nullopt;
  return std::get<linear::LinearSystem>(std::move(parsed));
}

}  // namespace

TEST(LpFastMiss, CorpusModelsAnsweredByTheFastPathStaySo) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"bore3d", "kb2", "sc105", "sc50a", "sc50b", "scagr7", "share1b"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    LpSolver solver(system->clone());
    solver.set_fast_path(LpSolver::FastPath::Always);
    LpResult result = solver.solve();
    EXPECT_EQ(result.kind(), LpResult::Kind::Optimal);
    EXPECT_TRUE(solver.stats().fast_path);
  }
}

// These have several optimal points: the basis the floating-point run ends
// on must be given up by hopeless(), whose verdict is exact.
TEST(LpFastMiss, SeveralOptimaAreGivenUpEarly) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"adlittle", "blend", "sctap1", "share2b", "brandy", "vtp.base"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    EXPECT_FALSE(fast_path_solve(*system, Cancel::none()));
    ColumnForm form = *column_form(*system);
    FloatSimplex engine(form, Cancel::none());
    Proposal p = engine.dual();
    ASSERT_EQ(p.status, Proposal::Status::Optimal);
    Certifier certifier(form, Cancel::none());
    ASSERT_TRUE(certifier.load(p.basis));
    EXPECT_TRUE(certifier.hopeless(p.reduced));
  }
}

// The fast path tried first, then the pivots where it gives up: the answer
// is the pivots' own either way, vtp.base's too, whose first run of phase 2
// lifts an artificial and is cut short by the floor the fast path offers.
TEST(LpFastMiss, FastPathFirstAnswersAsThePivots) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"adlittle", "blend", "bore3d", "kb2", "recipe", "sc105", "sc50a", "scagr7", "sctap1",
                           "share1b", "share2b", "vtp.base"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    LpSolver first(system->clone()), pivots(system->clone());
    first.set_fast_path(LpSolver::FastPath::Always);
    pivots.set_fast_path(LpSolver::FastPath::Off);
    LpResult a = first.solve(), b = pivots.solve();
    EXPECT_EQ(a.text(), b.text());
    EXPECT_EQ(a.objective(), b.objective());
    EXPECT_EQ(first.exact_values(), pivots.exact_values());
    EXPECT_EQ(first.stats().below_floor, std::string(name) == "vtp.base");
  }
}

// An interrupt stops the fast path or the pivots after it: the call ends
// with it (or with the answer, when the fast path ends first).
TEST(LpFastMiss, AnInterruptStopsEitherPath) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"sctap1", "share1b", "brandy"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    LpSolver pivots(system->clone());
    pivots.set_fast_path(LpSolver::FastPath::Off);
    const std::string expected = pivots.solve().text();
    for (int after : {1, 5, 40}) {
      int polls = 0;
      auto state = std::make_pair(&polls, after);
      Cancel cancel([](void* s) {
        auto* p = static_cast<std::pair<int*, int>*>(s);
        return ++*p->first > p->second;
      }, &state);
      LpSolver solver(system->clone());
      solver.set_fast_path(LpSolver::FastPath::Always);
      try {
        EXPECT_EQ(solver.solve(cancel).text(), expected);  // the fast path may end first
      } catch (const Interrupted&) {
      }
    }
  }
}

// Where it gives up on several optima, the fast path offers the optimum as
// a floor: its duals are feasible.
TEST(LpFastMiss, SeveralOptimaOfferTheOptimumAsAFloor) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"adlittle", "blend", "sctap1", "share2b", "brandy", "vtp.base"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    LpSolver pivots(system->clone());
    pivots.set_fast_path(LpSolver::FastPath::Off);
    ASSERT_EQ(pivots.solve().kind(), LpResult::Kind::Optimal);
    FloorSource floor;
    EXPECT_FALSE(fast_path_solve(*system, nullptr, Cancel::none(), &floor));
    ASSERT_TRUE(floor);
    EXPECT_EQ(floor(), StandardForm::of(*system)->objective_at(pivots.exact_values()));
  }
}

// A basic variable the certifier calls fixed at the optimum takes its value
// at every optimal point: the least and the greatest it reaches over the
// optimal face (the rows plus objective = optimum, solved exactly) are that
// value. Covering programs have several optima at nearly every basis, so
// most of their basic variables do move; some must be told apart.
TEST(LpFastMiss, ValuesFixedAtTheOptimumAreSharedByEveryOptimum) {
  support::MilpGen g{std::mt19937_64(support::soak_seed(43))};
  std::size_t fixed = 0, moving = 0;
  for (int round = 0; round < support::soak_rounds(150); ++round) {
    const std::string text = round % 2 ? support::covering_milp(g) : support::generated_milp(g);
    const linear::LinearSystem system = support::parse_lp(text);
    ColumnForm form = *column_form(system);
    FloatSimplex engine(form, Cancel::none());
    Proposal p = engine.dual();
    if (p.status != Proposal::Status::Optimal) continue;
    Certifier certifier(form, Cancel::none());
    ASSERT_TRUE(certifier.load(p.basis));
    const auto floor = certifier.dual_bound();
    const auto point = certifier.feasible_point();
    if (!floor || !point) continue;
    // The optimal face: the objective held at its optimum.
    linear::LinearSystem face = system.clone();
    const linear::LinearExpr& objective = system.objective->expr;
    const Rational optimum = system.objective->sense == linear::ObjectiveSense::Minimize
                                 ? *floor + objective.constant
                                 : objective.constant - *floor;
    face.add_constraint({objective - linear::LinearExpr::constant_of(optimum), linear::CmpOp::Eq, std::nullopt});
    for (std::size_t v = 0; v < form.n; ++v) {
      if (!p.basis.column[v]) continue;
      const bool claimed = certifier.fixed_at_optimum([v](std::size_t c, const Rational&) { return c == v; }, 1) == v;
      Rational least, greatest;
      bool unbounded = false;  // the optimal face may hold a ray along which it grows
      for (auto sense : {linear::ObjectiveSense::Minimize, linear::ObjectiveSense::Maximize}) {
        face.objective = linear::Objective{sense, linear::LinearExpr::variable(system.variables[v])};
        LpSolver solver(face.clone());
        solver.set_fast_path(LpSolver::FastPath::Off);
        const LpResult::Kind kind = solver.solve().kind();
        if (kind == LpResult::Kind::Unbounded) {
          unbounded = true;
          continue;
        }
        ASSERT_EQ(kind, LpResult::Kind::Optimal) << text;
        (sense == linear::ObjectiveSense::Minimize ? least : greatest) = solver.exact_values()[v];
      }
      if (unbounded) {
        EXPECT_FALSE(claimed) << text << "\ncolumn " << v;
        ++moving;
      } else if (claimed) {
        EXPECT_EQ(least, (*point)[v]) << text << "\ncolumn " << v;
        EXPECT_EQ(greatest, (*point)[v]) << text << "\ncolumn " << v;
        ++fixed;
      } else if (least != greatest) {
        ++moving;
      }
    }
    if (HasFailure()) break;
  }
  std::printf("basic columns fixed at the optimum %zu, moving over it %zu\n", fixed, moving);
  EXPECT_GT(fixed, 20u);
  EXPECT_GT(moving, 20u);
}
