// A node LP may take its opening pivots from an ancestor's pivot log instead
// of making them, in phase 1, phase 2 and phase 2's second run, and may cut
// short a first run of phase 2 once its objective is below the parent's
// optimum. That is sound only if the pivots are exactly those of the plain
// run, but for the part cut: with check_nodes, every node LP is also solved
// from scratch with neither, one run after the other, and the search stops
// unless both made the same pivots and gave the same answer. The searches
// with and without these must also be the same, and the repeats and cuts
// must happen, or they are only cost.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "lp/simplex/revised_simplex.hpp"
#include "milp/solver.hpp"
#include "same_search.hpp"
#include "support/generated_milp.hpp"
#include "support/lp_files.hpp"
#include "support/soak.hpp"

using namespace mivex;
using linear::LinearSystem;

namespace {

// The search with checked repeats against the plain search.
milp::SearchStats expect_checked_search(const LinearSystem& system, std::size_t node_limit, milp::NodeLpWay paths,
                                       const std::string& name) {
  milp::BranchAndBound with(system, node_limit, paths);
  with.check_nodes(true);
  milp::BranchAndBound without(system, node_limit, paths);
  without.set_repeats(false);
  without.set_floors(false);
  LpResult a = with.solve(), b = without.solve();
  expect_same_search(a, with.stats(), b, without.stats(), name);
  EXPECT_EQ(without.stats().repeated, 0u) << name;
  EXPECT_EQ(without.stats().below_floor, 0u) << name;
  if (paths == milp::NodeLpWay::PivotsOnly) {
    if (with.stats().below_floor == 0) {
      EXPECT_EQ(with.stats().pivots, without.stats().pivots) << name;
    } else {
      // A cut may come where the run would have ended anyway.
      EXPECT_LE(with.stats().pivots, without.stats().pivots) << name;
    }
  }
  return with.stats();
}

}  // namespace

// The generated families cover equality rows, zero right-hand sides, general
// integers branched on more than once, infeasible and unbounded nodes and
// nodes whose phase 2 starts over after driving out artificials.
TEST(MilpRepeats, RepeatedPivotsAreThePivotsFromScratchOnGeneratedMilps) {
  support::MilpGen g{std::mt19937_64(support::soak_seed(77))};
  std::size_t pivots = 0, repeated = 0, second_run_repeated = 0, solves = 0, cut = 0;
  for (int round = 0; round < support::soak_rounds(1000); ++round) {
    const std::string text = support::generated_milp(g);
    LinearSystem system = support::parse_lp(text);
    milp::SearchStats s = expect_checked_search(system, round % 5 == 0 ? 7 : 200, milp::NodeLpWay::PivotsOnly, text);
    pivots += s.pivots;
    repeated += s.repeated;
    second_run_repeated += s.second_run_repeated;
    solves += s.lp_solves;
    cut += s.below_floor;
    if (HasFailure()) break;
  }
  std::printf("pivots %zu, repeated from a log %zu (%zu in second runs); node LPs %zu, %zu cut short\n", pivots,
              repeated, second_run_repeated, solves, cut);
  EXPECT_GT(repeated, pivots / 20);
  EXPECT_GT(second_run_repeated, 0u);
  EXPECT_GT(cut, 0u);
}

// With the fast path first, a node it cannot answer (several optima) takes
// the floor its duals prove, most often the optimum itself: the pivots stay
// those from scratch but for the part cut short, and the answer the same.
TEST(MilpRepeats, FloorsFromTheFastPathsDualsKeepThePivots) {
  support::MilpGen g{std::mt19937_64(support::soak_seed(79))};
  std::size_t raised = 0, cut = 0, solves = 0;
  for (int round = 0; round < support::soak_rounds(600); ++round) {
    const std::string text = round % 2 ? support::covering_milp(g) : support::generated_milp(g);
    LinearSystem system = support::parse_lp(text);
    milp::SearchStats s = expect_checked_search(system, round % 5 == 0 ? 7 : 200, milp::NodeLpWay::FastFirst, text);
    raised += s.floors_from_duals;
    cut += s.below_floor;
    solves += s.lp_solves;
    if (HasFailure()) break;
  }
  std::printf("node LPs %zu: floors raised by the duals %zu, cut short %zu\n", solves, raised, cut);
  EXPECT_GT(raised, solves / 50);
  EXPECT_GT(cut, 0u);
}

// Corpus models whose node LPs take hundreds of pivots each, by the pivots
// alone, with the fast path first (a node it answers leaves no log, so its
// children read an older one, several bound rows back) and as measured.
TEST(MilpRepeats, RepeatedPivotsAreThePivotsFromScratchOnCorpusMilps) {
  if (!std::filesystem::exists(support::corpus_dir("milp"))) GTEST_SKIP() << "corpus not found";
  struct Case {
    const char* name;
    std::size_t nodes;
    milp::NodeLpWay paths;
  };
  const Case cases[] = {{"p0201", 40, milp::NodeLpWay::PivotsOnly}, {"misc03", 30, milp::NodeLpWay::PivotsOnly},
                        {"pk1", 20, milp::NodeLpWay::PivotsOnly},   {"stein27", 40, milp::NodeLpWay::PivotsOnly},
                        {"p0201", 40, milp::NodeLpWay::FastFirst},  {"pk1", 20, milp::NodeLpWay::FastFirst},
                        {"bell3a", 100, milp::NodeLpWay::FastFirst}, {"lseu", 100, milp::NodeLpWay::PivotsOnly},
                        // The measured choice between the fast path first and the pivots alone.
                        {"stein27", 60, milp::NodeLpWay::Measured},  {"p0201", 40, milp::NodeLpWay::Measured}};
  std::size_t seen = 0;
  for (const Case& c : cases) {
    const auto system = support::corpus_model("milp", c.name);
    if (!system) continue;
    milp::SearchStats s = expect_checked_search(*system, c.nodes, c.paths, c.name);
    if (c.paths == milp::NodeLpWay::PivotsOnly && std::string(c.name) != "stein27") {
      EXPECT_GT(s.repeated, s.pivots / 20) << c.name;
    }
    // lseu's nodes come to phase 2's second run often, from a phase 1 their
    // parent's log repeats whole.
    if (std::string(c.name) == "lseu") {
      EXPECT_GT(s.second_run_repeated, s.pivots / 100) << c.name;
    }
    // Nearly every node of p0201 and misc03 has its first run of phase 2
    // lift an artificial, most of them below the parent's optimum.
    if (c.paths == milp::NodeLpWay::PivotsOnly && (std::string(c.name) == "p0201" || std::string(c.name) == "misc03")) {
      EXPECT_GT(s.below_floor, s.lp_solves / 4) << c.name;
    }
    // pk1's numbers grow big: while the search measures whether node LPs
    // should decide from bounds from the first, and lift at ties, they
    // take each way.
    if (std::string(c.name) == "pk1") {
      for (std::size_t tuned : {s.from_bounds, s.lifted}) {
        EXPECT_GT(tuned, 0u) << c.name;
        EXPECT_LT(tuned, s.lp_solves - 1) << c.name;
      }
    }
    ++seen;
  }
  EXPECT_GE(seen, 6u);
}

// An interrupt may come anywhere in a search: it ends by it, at once, and
// a search run again uninterrupted gives the plain answer.
TEST(MilpRepeats, InterruptsEndASearchAnywhere) {
  const auto model = support::corpus_model("milp", "p0201");
  if (!model) GTEST_SKIP() << "corpus not found";
  const LinearSystem& system = *model;
  milp::BranchAndBound plain(system, 30, milp::NodeLpWay::PivotsOnly);
  plain.set_repeats(false);
  const LpResult expected = plain.solve();
  // The fast path first on every node (the pivots where it misses): the
  // measured choice of ways follows timings, so a search's count of polls
  // would vary from run to run, and a late interrupt could miss a search
  // that polls less.
  auto search = [&] { return std::make_unique<milp::BranchAndBound>(system, 30, milp::NodeLpWay::FastFirst); };
  // Polls of a whole search, so that each interrupt below falls somewhere in
  // a search like it.
  struct Countdown {
    long left;
  };
  auto poll = [](void* c) { return --static_cast<Countdown*>(c)->left < 0; };
  Countdown count{1L << 40};
  Cancel counting(poll, &count);
  search()->solve(counting);
  const long polls = (1L << 40) - count.left;
  for (long share : {1, 10, 30, 60, 95}) {
    Countdown countdown{polls * share / 100};
    Cancel cancel(poll, &countdown);
    EXPECT_THROW(search()->solve(cancel), Interrupted) << share << "% of " << polls << " polls";
  }
  const auto again = search();
  const LpResult result = again->solve();
  expect_same_search(result, again->stats(), expected, plain.stats(), "p0201 after interrupts");
}

// Node LPs whose bases have large determinants read their entering images
// off doubles (checked exactly, or left to the exact solve): the searches
// with and without that must be the same, pivot for pivot.
TEST(MilpRepeats, LatticeSolvesLeaveSearchesAlike) {
  if (!std::filesystem::exists(support::corpus_dir("milp"))) GTEST_SKIP() << "corpus not found";
  using lp::RevisedSimplex;
  struct Restore {
    ~Restore() { RevisedSimplex::set_lattice_default(RevisedSimplex::Lattice::Auto); }
  } restore;
  const std::size_t answers = RevisedSimplex::lattice_answers_everywhere();
  for (const char* name : {"misc03", "p0201", "gt2"}) {
    const auto system = support::corpus_model("milp", name);
    if (!system) continue;
    auto search = [&](RevisedSimplex::Lattice mode) {
      RevisedSimplex::set_lattice_default(mode);
      auto bb = std::make_unique<milp::BranchAndBound>(*system, 60, milp::NodeLpWay::PivotsOnly);
      LpResult result = bb->solve();
      return std::make_pair(std::move(bb), result);
    };
    auto [never, a] = search(RevisedSimplex::Lattice::Never);
    auto [automatic, b] = search(RevisedSimplex::Lattice::Auto);
    expect_same_search(a, never->stats(), b, automatic->stats(), name);
    EXPECT_EQ(never->stats().pivots, automatic->stats().pivots) << name;
  }
  EXPECT_GT(RevisedSimplex::lattice_answers_everywhere() - answers, 1000u);
}
