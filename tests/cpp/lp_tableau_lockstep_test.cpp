// The scaled tableau against the plain rational one, operation by
// operation: after every write, price-out and pivot, every cell and every
// choice must agree. Entries near 2^62 push the scaled rows past 64 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/scaled_tableau.hpp"
#include "support/tableau.hpp"

using namespace mivex;
using namespace mivex::lp;
using namespace mivex::lp::reference;

namespace {

struct Pair {
  Tableau plain;
  ScaledTableau scaled;
  Pair(std::size_t vars, std::size_t rows) : plain(vars, rows), scaled(vars, rows) {}

  void expect_equal(const char* after) const {
    for (std::size_t i = 0; i <= plain.num_rows(); ++i) {
      for (std::size_t j = 0; j < plain.num_cols(); ++j) {
        ASSERT_EQ(plain.at(i, j), scaled.at(i, j)) << "cell " << i << "," << j << " after " << after;
        ASSERT_EQ(plain.sign_at(i, j), scaled.sign_at(i, j));
      }
      SparseRow a = plain.sparse_row(i), b = scaled.sparse_row(i);
      std::sort(b.begin(), b.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
      ASSERT_EQ(a, b) << "row " << i << " after " << after;
    }
    ASSERT_EQ(plain.basis(), scaled.basis());
  }
};

Rational random_value(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0:
    case 1:
    case 2: return Rational(0);
    case 3: return Rational(static_cast<std::int64_t>(rng() % 7) - 3, static_cast<std::int64_t>(rng() % 4) + 1);
    case 4: return Rational(static_cast<std::int64_t>(rng() >> 1), static_cast<std::int64_t>(rng() % 1000) + 1);
    case 5: return Rational(-static_cast<std::int64_t>(rng() >> 2), (std::int64_t{1} << 61) + 1);
    default: return Rational(static_cast<std::int64_t>(rng() % 11) - 5);
  }
}

SparseRow random_row(std::mt19937_64& rng, std::size_t cols) {
  SparseRow row;
  for (std::size_t j = 0; j < cols; ++j) {
    Rational v = random_value(rng);
    if (!v.is_zero() || rng() % 5 == 0) row.emplace_back(j, v);  // explicit zeros too
  }
  std::shuffle(row.begin(), row.end(), rng);
  if (!row.empty() && rng() % 4 == 0) row.push_back({row.front().first, random_value(rng)});  // repeated column
  return row;
}

}  // namespace

TEST(TableauLockstep, EveryCellAgreesThroughWritesPricesAndPivots) {
  std::mt19937_64 rng(77);
  for (int round = 0; round < 150; ++round) {
    const std::size_t vars = 2 + rng() % 7, rows = 1 + rng() % 6;
    Pair t(vars, rows);
    for (std::size_t i = 0; i <= rows; ++i) {
      SparseRow row = random_row(rng, vars + 1);
      t.plain.set_sparse_row(i, row);
      t.scaled.set_sparse_row(i, row);
    }
    t.expect_equal("writes");
    for (int step = 0; step < 12; ++step) {
      // A pivot on a random nonzero cell (any sign), or Dantzig's choice.
      std::size_t r = 1 + rng() % rows, e = rng() % vars;
      if (rng() % 2 == 0) {
        auto enter = t.plain.find_entering({});
        ASSERT_EQ(enter, t.scaled.find_entering({}));
        ASSERT_EQ(t.plain.find_entering_bland({}), t.scaled.find_entering_bland({}));
        if (enter) {
          auto leave = t.plain.find_leaving(*enter);
          ASSERT_EQ(leave, t.scaled.find_leaving(*enter));
          ASSERT_EQ(t.plain.find_leaving_bland(*enter), t.scaled.find_leaving_bland(*enter));
          if (leave) r = leave->first, e = *enter;
        }
      }
      if (t.plain.sign_at(r, e) == 0) continue;
      t.plain.pivot(r, e);
      t.scaled.pivot(r, e);
      t.expect_equal("pivot");
      std::size_t p = 1 + rng() % rows;
      t.plain.price_out(p);
      t.scaled.price_out(p);
      t.expect_equal("price_out");
      if (rng() % 5 == 0) {
        SparseRow zero = t.plain.sparse_row(0);
        t.plain.set_sparse_row(0, random_row(rng, vars + 1));
        t.scaled.set_sparse_row(0, t.plain.sparse_row(0));
        t.expect_equal("row 0 rewritten");
        t.plain.set_sparse_row(0, zero);
        t.scaled.set_sparse_row(0, zero);
        t.expect_equal("row 0 restored");
      }
    }
    ASSERT_EQ(t.plain.value_of(0), t.scaled.value_of(0));
    ASSERT_EQ(t.plain.objective_value(), t.scaled.objective_value());
  }
}
