// Property tests of the two structures the fast search adds to the plain
// one: the in-place watch walk and the decision heap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sat/heuristics.hpp"
#include "sat/watch.hpp"

namespace {

using namespace mivex::sat;

struct Rng {
  std::uint64_t state;
  std::uint32_t below(std::uint32_t n) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::uint32_t>(state % n);
  }
};

enum class Step { Keep, Remove, Stop };

// What walking a copy of the list does: each removal takes the first
// occurrence and moves the last entry into its place.
WatchList walk_copy(WatchList list, const std::vector<Step>& steps) {
  const WatchList copy = list;
  for (std::size_t k = 0; k < copy.size(); ++k) {
    if (steps[k] == Step::Stop) break;
    if (steps[k] == Step::Keep) continue;
    auto first = std::find(list.begin(), list.end(), copy[k]);
    *first = list.back();
    list.pop_back();
  }
  return list;
}

TEST(WatchWalk, MatchesWalkingACopy) {
  Rng rng{0x9E3779B97F4A7C15};
  WatchWalk walk;  // reused, as in the solver, so stale scratch must not matter
  for (int round = 0; round < 20000; ++round) {
    // Distinct clause refs, a few of them twice (a clause watched twice by one literal).
    std::size_t n = rng.below(40);
    WatchList list;
    for (std::size_t i = 0; i < n; ++i) {
      if (i > 0 && rng.below(6) == 0) {
        ClauseRef r = list[rng.below(static_cast<std::uint32_t>(i))];
        if (std::count(list.begin(), list.end(), r) == 1) {
          list.push_back(r);
          continue;
        }
      }
      list.push_back(static_cast<ClauseRef>(1000 + i));
    }
    std::vector<Step> steps(n);
    for (auto& s : steps) s = rng.below(40) == 0 ? Step::Stop : (rng.below(3) == 0 ? Step::Keep : Step::Remove);

    WatchList live = list;
    walk.begin(live);
    std::vector<Step> taken = steps;
    for (std::size_t k = 0; k < walk.length(); ++k) {
      std::size_t pos = walk.position(k);
      ASSERT_EQ(live[pos], list[k]) << "round " << round << " step " << k;
      bool twice = std::count(live.begin(), live.end(), live[pos]) == 2;
      // A clause watched twice that keeps its watch is a conflict: the walk ends.
      if (steps[k] == Step::Keep && twice) taken[k] = Step::Stop;
      if (taken[k] == Step::Stop) break;
      if (taken[k] == Step::Remove) walk.remove(k, pos, twice);
    }
    ASSERT_EQ(live, walk_copy(list, taken)) << "round " << round;
  }
}

TEST(VarOrder, PicksWhatALinearScanPicks) {
  // Highest activity among the unassigned, ties to the highest index, also
  // once the increment has overflowed to +inf.
  Rng rng{0xB7E151628AED2A6B};
  for (int round = 0; round < 200; ++round) {
    const std::uint32_t n = 1 + rng.below(60);
    VarOrder order;
    order.reset(n);
    std::vector<bool> assigned(n, false);
    std::vector<Var> trail;
    int decays = 0;
    for (int step = 0; step < 400; ++step) {
      for (std::uint32_t b = rng.below(5); b > 0; --b) order.bump(rng.below(n));
      std::uint32_t d = rng.below(200) == 0 ? 15000 : rng.below(3);
      for (std::uint32_t i = 0; i < d; ++i, ++decays) order.decay();
      if (rng.below(4) == 0 && !trail.empty()) {
        // Backjump: unassign a suffix of the trail, in trail order.
        std::size_t keep = rng.below(static_cast<std::uint32_t>(trail.size()));
        for (std::size_t i = keep; i < trail.size(); ++i) {
          assigned[trail[i]] = false;
          order.insert(trail[i]);
        }
        trail.resize(keep);
      }
      if (rng.below(5) == 0) {  // an implied assignment: stays in the heap
        Var v = rng.below(n);
        if (!assigned[v]) assigned[v] = true, trail.push_back(v);
      }
      std::optional<Var> best;
      for (Var v = 0; v < n; ++v) {
        if (!assigned[v] && (!best || order.activity(v) >= order.activity(*best))) best = v;
      }
      while (!order.empty() && assigned[order.top()]) order.pop();
      ASSERT_EQ(order.empty(), !best.has_value());
      if (!best) continue;
      ASSERT_EQ(order.top(), *best) << "round " << round << " step " << step;
      order.pop();
      assigned[*best] = true;
      trail.push_back(*best);
    }
    if (decays > 14000) {
      bool any_inf = false;
      for (Var v = 0; v < n; ++v) any_inf |= std::isinf(order.activity(v));
      EXPECT_TRUE(any_inf || n < 3);
    }
  }
}

}  // namespace
