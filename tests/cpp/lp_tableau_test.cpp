// The reference tableau the lockstep tests compare the engine with: its tie
// rules and its pivot.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "support/tableau.hpp"

using namespace mivex;
using mivex::lp::reference::Tableau;
using linear::Rational;

namespace {

// A tableau from rows of integers (row 0 first, RHS last) with the given basis.
Tableau make(std::vector<std::vector<std::int64_t>> rows, std::vector<std::size_t> basis = {}) {
  Tableau t(rows[0].size() - 1, rows.size() - 1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = 0; j < rows[i].size(); ++j) t.set(i, j, Rational(rows[i][j]));
  }
  for (std::size_t i = 0; i < basis.size(); ++i) t.set_basic(i + 1, basis[i]);
  return t;
}

}  // namespace

TEST(Tableau, TieBreaksAndEmptyCases) {
  Tableau none(3, 0);
  none.set(0, 1, Rational(5));
  EXPECT_EQ(none.find_entering({}), std::optional<std::size_t>(1));
  EXPECT_FALSE(none.find_leaving(1));
  EXPECT_EQ(none.value_of(1), Rational(0));

  Tableau rhs_only = make({{-1, 0, 7}, {1, 1, 1}}, {1});
  EXPECT_FALSE(rhs_only.find_entering({}));

  // Columns 1 and 3 tie at the largest entry; column 1 wins, unless passed over.
  Tableau t = make({{1, 3, 2, 3, 0}, {1, 2, 0, 1, 4}, {0, 1, 1, 2, 2}, {1, 4, 0, 0, 2}}, {0, 2, 0});
  EXPECT_EQ(t.find_entering({}), std::optional<std::size_t>(1));
  EXPECT_EQ(t.find_entering({false, true}), std::optional<std::size_t>(3));
  EXPECT_EQ(t.find_entering_bland({}), std::optional<std::size_t>(0));
  // Column 1: ratios 2, 2, 1/2 -> row 3. Column 3: ratios 4, 1 -> row 2.
  EXPECT_EQ(t.find_leaving(1), std::make_optional(std::make_pair<std::size_t, std::size_t>(3, 0)));
  EXPECT_EQ(t.find_leaving(3), std::make_optional(std::make_pair<std::size_t, std::size_t>(2, 2)));
  // Column 0: ratios 4 and 2 -> row 3.
  EXPECT_EQ(t.find_leaving(0)->first, 3u);

  // Equal smallest ratios go to the lower row; Bland's variant to the lower basic column.
  Tableau tie = make({{0, 1, 0}, {0, 2, 2}, {0, 1, 1}}, {2, 0});
  EXPECT_EQ(tie.find_leaving(1)->first, 1u);
  EXPECT_EQ(tie.find_leaving_bland(1)->first, 2u);
  // A zero right-hand side wins over every positive ratio.
  Tableau degenerate = make({{0, 1, 0}, {0, 1, 0}, {0, 5, 1}}, {0, 0});
  EXPECT_EQ(degenerate.find_leaving(1)->first, 1u);
}

TEST(Tableau, PivotMakesUnitColumn) {
  Tableau t = make({{2, 3, 0, 0, 0}, {1, 2, 1, 0, 4}, {3, 1, 0, 1, 6}}, {2, 3});
  Tableau before = t;
  try {
    t.pivot(1, 3);
    ADD_FAILURE() << "expected a stop";
  } catch (const Stop& stop) {
    EXPECT_STREQ(stop.what(), "pivot value is zero");
  }
  for (std::size_t i = 0; i <= 2; ++i) EXPECT_EQ(t.row(i), before.row(i));
  t.pivot(1, 1);
  EXPECT_EQ(t.basic(1), 1u);
  for (std::size_t i = 0; i <= 2; ++i) EXPECT_EQ(t.at(i, 1), Rational(i == 1 ? 1 : 0));
  EXPECT_EQ(t.row(1), (std::vector<Rational>{Rational(1, 2), 1, Rational(1, 2), 0, 2}));
  EXPECT_EQ(t.row(2), (std::vector<Rational>{Rational(5, 2), 0, Rational(-1, 2), 1, 4}));
  EXPECT_EQ(t.objective_value(), Rational(-6));
  EXPECT_EQ(t.value_of(1), Rational(2));
  EXPECT_EQ(t.value_of(0), Rational(0));
  EXPECT_EQ(t.pivots(), 1u);
}
