// The pricing intervals must hold the exact reduced cost of every column,
// after a reset and after any run of multiplier changes, whatever the
// magnitudes and however much the terms cancel.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "lp/simplex/price_bounds.hpp"
#include "lp/factor/standard_form.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::Rational;

namespace {

Rational random_value(std::mt19937_64& rng) {
  switch (rng() % 7) {
    case 0: return Rational();
    case 1: return Rational(static_cast<std::int64_t>(rng() % 21) - 10);
    case 2: return Rational(static_cast<std::int64_t>(rng() % 2000001) - 1000000, 999983);
    case 3: return Rational(static_cast<std::int64_t>(rng() >> 1), static_cast<std::int64_t>(rng() % 7 + 1));
    case 4: return Rational(1, static_cast<std::int64_t>(rng() >> 2) + 1);
    case 5: return Rational(static_cast<std::int64_t>(rng() >> 1), 3) * Rational(static_cast<std::int64_t>(rng() >> 1), 7);
    default: return Rational(static_cast<std::int64_t>(rng() % 3) + 1, 1000000000) * Rational(1, 1000000000);
  }
}

Rational reduced_cost(const StandardForm& form, const std::vector<Rational>& cost, const std::vector<Rational>& y,
                      std::size_t j) {
  Rational d = cost[j];
  form.for_any_column(j, [&](std::size_t row, const Rational& a) { d.sub_mul(y[row], a); });
  return d;
}

void expect_held(const StandardForm& form, const PriceBounds& bounds, const std::vector<Rational>& cost,
                 const std::vector<Rational>& y, const std::string& where) {
  for (std::size_t j = 0; j < form.num_cols(); ++j) {
    const Rational d = reduced_cost(form, cost, y, j);
    if (bounds.exact(j)) {
      ASSERT_EQ(Rational(static_cast<std::int64_t>(bounds.estimate(j))), d) << where << " exact column " << j;
    }
    double low, high;
    if (!bounds.bounds(j, low, high)) continue;  // unbounded: pricing computes it exactly
    ASSERT_LE(Rational::exact_f64(low), d) << where << " column " << j;
    ASSERT_GE(Rational::exact_f64(high), d) << where << " column " << j;
  }
}

// Pricing's contenders hold the column Dantzig's rule takes: the lowest
// index among the least d_j, when that is negative.
void expect_winner_listed(const StandardForm& form, const PriceBounds& bounds, const std::vector<Rational>& cost,
                          const std::vector<Rational>& y, const std::string& where) {
  std::vector<std::uint64_t> open((form.num_cols() + 63) / 64, 0);
  std::optional<std::size_t> winner;
  Rational least;
  for (std::size_t j = 0; j < form.num_cols(); ++j) {
    open[j / 64] |= std::uint64_t{1} << (j % 64);
    const Rational d = reduced_cost(form, cost, y, j);
    if (d.is_negative() && (!winner || d < least)) {
      winner = j;
      least = d;
    }
  }
  std::vector<std::pair<std::uint32_t, double>> listed;
  bounds.contenders(open, listed);
  if (!winner) return;
  bool found = false;
  for (const auto& entry : listed) found = found || entry.first == *winner;
  ASSERT_TRUE(found) << where << " column " << *winner;
}

// Costs and multipliers in, a reset, and the first check.
void start(const StandardForm& form, PriceBounds& bounds, const std::vector<Rational>& cost,
           const std::vector<Rational>& y, const std::string& text) {
  for (std::size_t j = 0; j < cost.size(); ++j) bounds.set_cost(j, cost[j]);
  for (std::size_t i = 0; i < y.size(); ++i) bounds.set_multiplier(i, y[i]);
  bounds.reset();
  expect_held(form, bounds, cost, y, text + "\nafter reset");
}

}  // namespace

TEST(PriceBounds, HoldEveryReducedCostThroughUpdates) {
  std::mt19937_64 rng(99);
  for (int round = 0; round < 60; ++round) {
    int n = 2 + static_cast<int>(rng() % 6), m = 1 + static_cast<int>(rng() % 5);
    std::string text = "min x0";
    const char* numbers[] = {"1", "-2", "3.5", "100000000000000001", "0.000000001", "-123456789012345678901"};
    for (int i = 0; i < m; ++i) {
      text += "\n";
      for (int j = 0; j < n; ++j) {
        text += (j ? " + " : "") + std::string(numbers[rng() % 6]) + "*x" + std::to_string(j);
      }
      text += rng() % 2 ? " <= 1" : " >= 1";
    }
    auto form = StandardForm::of(support::parse_lp(text));
    PriceBounds bounds(*form);
    std::vector<Rational> y(form->num_rows()), cost(form->num_cols());
    for (auto& v : y) v = random_value(rng);
    // Half of the costs make d_j exactly zero: all cancellation, no signal.
    for (std::size_t j = 0; j < cost.size(); ++j) {
      if (rng() % 2) {
        form->for_any_column(j, [&](std::size_t row, const Rational& a) { cost[j] = cost[j] + y[row] * a; });
      } else {
        cost[j] = random_value(rng);
      }
    }
    start(*form, bounds, cost, y, text);
    for (int step = 0; step < 150; ++step) {
      std::size_t i = rng() % y.size();
      y[i] = rng() % 3 ? y[i] + random_value(rng) * Rational(1, static_cast<std::int64_t>(rng() % 5) + 1)
                       : random_value(rng);
      bounds.move_multiplier(i, y[i]);
      expect_held(*form, bounds, cost, y, text + "\nstep " + std::to_string(step));
      expect_winner_listed(*form, bounds, cost, y, text + "\nstep " + std::to_string(step));
    }
  }
}

// Integer data, where most estimates are exact, with integers on both sides
// of 2^53 in the data, the multipliers and the sums: an estimate reported
// exact must be d_j itself, whatever rounding the steps beside it suffered.
TEST(PriceBounds, ExactEstimatesAreTheReducedCosts) {
  std::mt19937_64 rng(2053);
  const std::int64_t edge = std::int64_t{1} << 53;
  auto integer = [&]() -> Rational {
    switch (rng() % 8) {
      case 0: return Rational(edge - 1 - static_cast<std::int64_t>(rng() % 3));
      case 1: return Rational(-(edge / 2) - static_cast<std::int64_t>(rng() % 5));
      case 2: return Rational(edge + 1);
      case 3: return Rational(1, 2);
      default: return Rational(static_cast<std::int64_t>(rng() % 13) - 6);
    }
  };
  std::size_t exact_seen = 0, checks = 0;
  for (int round = 0; round < 80; ++round) {
    int n = 2 + static_cast<int>(rng() % 6), m = 1 + static_cast<int>(rng() % 5);
    std::string text = "min x0";
    const char* numbers[] = {"1", "-2", "3", "4503599627370497", "-9007199254740991", "9007199254740993", "0.5"};
    for (int i = 0; i < m; ++i) {
      text += "\n";
      for (int j = 0; j < n; ++j) {
        text += (j ? " + " : "") + std::string(numbers[rng() % 10 < 8 ? rng() % 3 : rng() % 7]) + "*x" +
                std::to_string(j);
      }
      text += rng() % 2 ? " <= 1" : " >= 1";
    }
    auto form = StandardForm::of(support::parse_lp(text));
    PriceBounds bounds(*form);
    std::vector<Rational> y(form->num_rows()), cost(form->num_cols());
    for (auto& v : y) v = rng() % 10 ? Rational(static_cast<std::int64_t>(rng() % 7) - 3) : integer();
    for (auto& c : cost) c = rng() % 10 ? Rational(static_cast<std::int64_t>(rng() % 7) - 3) : integer();
    start(*form, bounds, cost, y, text);
    for (int step = 0; step < 100; ++step) {
      std::size_t i = rng() % y.size();
      y[i] = rng() % 12 ? y[i] + Rational(static_cast<std::int64_t>(rng() % 5) - 2) : integer();
      bounds.move_multiplier(i, y[i]);
      expect_held(*form, bounds, cost, y, text + "\nstep " + std::to_string(step));
      expect_winner_listed(*form, bounds, cost, y, text + "\nstep " + std::to_string(step));
      for (std::size_t j = 0; j < form->num_cols(); ++j) exact_seen += bounds.exact(j);
      checks += form->num_cols();
    }
  }
  // Most columns stay exact; the rest fell out through the edge values.
  EXPECT_GT(exact_seen, checks / 4);
  EXPECT_LT(exact_seen, checks);
}
