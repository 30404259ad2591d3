// The fast search against the step-by-step reference: same answer, same
// model, same counters and the same learnt clauses in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "parser/dimacs.hpp"
#include "support/sat_reference.hpp"
#include "sat/solver.hpp"
#include "support/soak.hpp"

namespace {

using namespace mivex;
using Clauses = std::vector<std::vector<std::int32_t>>;

struct Rng {
  std::uint64_t state;
  std::uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
};

// Mixed lengths, repeated literals, tautologies, units and the odd empty clause.
Clauses messy_formula(Rng& rng) {
  std::uint32_t n = 1 + rng.below(30);
  std::uint32_t m = rng.below(6 * n + 4);
  Clauses clauses;
  for (std::uint32_t i = 0; i < m; ++i) {
    std::uint32_t len = rng.below(100) == 0 ? 0 : 1 + rng.below(rng.below(4) == 0 ? 6 : 3);
    std::vector<std::int32_t>& c = clauses.emplace_back();
    for (std::uint32_t j = 0; j < len; ++j) {
      std::int32_t v = static_cast<std::int32_t>(1 + rng.below(n));
      c.push_back(rng.below(2) ? v : -v);
    }
  }
  return clauses;
}

Clauses random_3sat(Rng& rng, std::uint32_t n, std::uint32_t m) {
  Clauses clauses;
  for (std::uint32_t i = 0; i < m; ++i) {
    std::vector<std::int32_t>& c = clauses.emplace_back();
    while (c.size() < 3) {
      std::int32_t v = static_cast<std::int32_t>(1 + rng.below(n));
      if (std::find(c.begin(), c.end(), v) != c.end() || std::find(c.begin(), c.end(), -v) != c.end()) continue;
      c.push_back(rng.below(2) ? v : -v);
    }
  }
  return clauses;
}

template <class Search>
void load(Search& solver, const Clauses& clauses) {
  for (const auto& c : clauses) solver.add_clause(c);
}

void expect_same_search(const Clauses& clauses, const std::string& label) {
  sat::Solver fast;
  sat::ReferenceSolver reference;
  load(fast, clauses);
  load(reference, clauses);
  SolverResult a = fast.solve();
  SolverResult b = reference.solve();
  ASSERT_EQ(a.kind(), b.kind()) << label;
  ASSERT_EQ(a.assignment(), b.assignment()) << label;
  ASSERT_EQ(fast.stats(), reference.stats()) << label;
  ASSERT_EQ(fast.learnt_clauses(), reference.learnt_log()) << label;
}

TEST(SatDifferential, MessySmallFormulas) {
  Rng rng{support::soak_seed(0x243F6A8885A308D3)};
  for (int i = 0; i < support::soak_rounds(4000); ++i) expect_same_search(messy_formula(rng), "messy #" + std::to_string(i));
}

TEST(SatDifferential, RandomThreeSatNearThreshold) {
  Rng rng{support::soak_seed(0x13198A2E03707344)};
  for (int i = 0; i < support::soak_rounds(200); ++i) {
    std::uint32_t n = 10 + rng.below(91);
    expect_same_search(random_3sat(rng, n, n * 426 / 100), "3-SAT #" + std::to_string(i));
  }
}

TEST(SatDifferential, PigeonholeAndDuplicatedWatches) {
  // Seven pigeons, six holes; every clause also repeated with its first
  // literal doubled, so clauses watched twice by one literal meet conflicts.
  Clauses clauses;
  auto var = [](int p, int h) { return p * 6 + h + 1; };
  for (int p = 0; p < 7; ++p) {
    std::vector<std::int32_t> c;
    for (int h = 0; h < 6; ++h) c.push_back(var(p, h));
    clauses.push_back(c);
  }
  for (int h = 0; h < 6; ++h)
    for (int p = 0; p < 7; ++p)
      for (int q = p + 1; q < 7; ++q) clauses.push_back({-var(p, h), -var(q, h)});
  Clauses doubled = clauses;
  for (const auto& c : clauses) {
    std::vector<std::int32_t> d{c[0]};
    d.insert(d.end(), c.begin(), c.end());
    doubled.push_back(d);
  }
  expect_same_search(clauses, "pigeonhole 7/6");
  expect_same_search(doubled, "pigeonhole 7/6 doubled");
}

// Stops a search after a fixed number of cancellation polls.
struct PollBudget {
  int polls_left;
  static bool poll(void* self) { return --static_cast<PollBudget*>(self)->polls_left < 0; }
};

TEST(SatDifferential, SameLearningPastActivityOverflow) {
  // Beyond ~13,838 conflicts the activity increment is +inf and bumped
  // variables tie; both searches are cut at the same tick and compared.
  Rng rng{0xA4093822299F31D0};
  Clauses clauses = random_3sat(rng, 300, 1260);
  sat::Solver fast;
  sat::ReferenceSolver reference;
  load(fast, clauses);
  load(reference, clauses);
  PollBudget budget_a{40}, budget_b{40};
  Cancel cancel_a(&PollBudget::poll, &budget_a), cancel_b(&PollBudget::poll, &budget_b);
  EXPECT_THROW(fast.solve(cancel_a), Interrupted);
  EXPECT_THROW(reference.solve(cancel_b), Interrupted);
  EXPECT_GT(fast.stats().conflicts, 14000u);
  EXPECT_EQ(fast.stats(), reference.stats());
  EXPECT_EQ(fast.learnt_clauses(), reference.learnt_log());
}

}  // namespace
