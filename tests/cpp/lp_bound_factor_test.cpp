// BoundFactor's own elimination against the exact factor. On random
// programs whose numbers are picked to hurt (decimals, values past 2^53,
// magnitudes far apart, entries that cancel), through runs of column
// replacements and new factorizations, every entry of every solve must be
// held by its bound, a bound that claims an exact zero must be one, and the
// nonzero lists must name every nonzero.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "lp/factor/basis_factor.hpp"
#include "lp/factor/bound_factor.hpp"
#include "lp/factor/standard_form.hpp"
#include "support/lp_files.hpp"
#include "support/soak.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::Rational;

namespace {

std::string coefficient(std::mt19937_64& rng) {
  switch (rng() % 7) {
    case 0: return std::to_string(1 + rng() % 9);
    case 1: return "0." + std::to_string(1 + rng() % 999);
    case 2: return std::to_string(9007199254740993ULL + 2 * (rng() % 1000));
    case 3: return "0.000" + std::to_string(1 + rng() % 97);
    case 4: return std::to_string(1 + rng() % 3) + "." + std::to_string(rng() % 10) + "3";
    default: return std::to_string(1 + rng() % 4);
  }
}

std::string random_program(std::mt19937_64& rng, std::size_t m, std::size_t n) {
  return support::sparse_program(
      rng, m, n,
      [](std::mt19937_64& r, bool first) {
        return std::string(!first ? (r() % 2 ? " + " : " - ") : "") + coefficient(r);
      },
      [](std::mt19937_64& r) { return std::to_string(static_cast<int>(r() % 50)); });
}

// Every bound holds its exact entry; nz lists every nonzero; a claimed
// exact zero is one.
void expect_held(const std::vector<Bound>& b, const std::vector<std::uint32_t>& nz, const std::vector<Rational>& x,
                 const char* what) {
  std::vector<char> listed(x.size(), 0);
  for (std::uint32_t i : nz) listed[i] = 1;
  for (std::size_t i = 0; i < x.size(); ++i) {
    ASSERT_TRUE(holds(b[i], x[i])) << what << " entry " << i << ": " << b[i].mid << " +- " << b[i].rad
                                   << " misses " << x[i].text();
    ASSERT_TRUE(!b[i].zero() || x[i].is_zero()) << what << " entry " << i << " claimed zero";
    ASSERT_TRUE(listed[i] || x[i].is_zero()) << what << " entry " << i << " not listed";
  }
}

}  // namespace

TEST(BoundFactor, OwnEliminationHoldsEveryExactSolve) {
  std::mt19937_64 rng(support::soak_seed(12092026));
  std::size_t own = 0, refused = 0, updates = 0;
  for (int trial = 0; trial < support::soak_rounds(120); ++trial) {
    const std::size_t m = 2 + rng() % 30;
    const std::size_t n = m + rng() % (m + 6);
    auto form = StandardForm::of(support::parse_lp(random_program(rng, m, n)));
    std::vector<std::uint32_t> basis(m);
    for (std::size_t p = 0; p < m; ++p) basis[p] = form->start_basic(p);
    BasisFactor exact;
    BoundFactor bounds;
    auto refactor = [&] {
      exact.factor(*form, basis);
      if (bounds.factor(*form, basis)) {
        ++own;
      } else {
        ++refused;
        bounds.take(exact);
      }
    };
    refactor();
    std::vector<Rational> x;
    std::vector<Bound> b;
    std::vector<std::uint32_t> x_nz, b_nz;
    for (int step = 0; step < 30 && !HasFailure(); ++step) {
      // A column's image: the entering column of a basis change.
      const std::size_t col = rng() % form->num_cols();
      x.assign(m, Rational());
      b.assign(m, Bound{});
      x_nz.clear();
      form->for_any_column(col, [&](std::size_t row, const Rational& a) {
        x[row] = a;
        b[row] = Bound::of(a);
        x_nz.push_back(static_cast<std::uint32_t>(row));
      });
      b_nz = x_nz;
      exact.ftran_sparse(x, x_nz);
      bounds.ftran(b, b_nz);
      expect_held(b, b_nz, x, "ftran");
      // A row of the inverse, and a btran of a random vector.
      const std::size_t at = rng() % m;
      std::vector<Rational> row(m);
      std::vector<Bound> row_b(m);
      std::vector<std::uint32_t> row_nz, row_b_nz;
      exact.inverse_row(at, row, row_nz);
      bounds.inverse_row(at, row_b, row_b_nz);
      expect_held(row_b, row_b_nz, row, "inverse row");
      std::vector<Rational> w(m);
      std::vector<Bound> w_b(m);
      std::vector<std::uint32_t> w_nz;
      for (std::size_t p = 0; p < m; ++p) {
        if (rng() % 3 != 0) continue;
        w[p] = Rational(static_cast<std::int64_t>(rng() % 19) - 9, 1 + static_cast<std::int64_t>(rng() % 7));
        w_b[p] = Bound::of(w[p]);
        if (!w[p].is_zero()) w_nz.push_back(static_cast<std::uint32_t>(p));
      }
      exact.btran(w);
      bounds.btran(w_b, w_nz);
      expect_held(w_b, w_nz, w, "btran");
      // The column enters where its image is proven nonzero.
      std::vector<std::uint32_t> sure;
      for (std::uint32_t p : b_nz) {
        if (b[p].positive() || b[p].negative()) sure.push_back(p);
      }
      if (sure.empty() || std::find(basis.begin(), basis.end(), col) != basis.end()) continue;
      const std::uint32_t position = sure[rng() % sure.size()];
      basis[position] = static_cast<std::uint32_t>(col);
      if (step % 7 == 6) {
        refactor();
      } else {
        exact.update(position, x, x_nz);
        bounds.update(position, b, b_nz);
        ++updates;
      }
    }
  }
  std::printf("own factorizations %zu, refused %zu, updates %zu\n", own, refused, updates);
  EXPECT_GT(own, 300u);
  EXPECT_LT(refused * 10, own);
  EXPECT_GT(updates, 1000u);
}

TEST(BoundFactor, RefusesWhatItCannotPivot) {
  // x0 + x1 and x0 + (1 + 2^-60) x1: the second pivot is 2^-60 beside
  // entries of 1, far inside its roundings, so no sign is proven. And a
  // singular basis (two equal columns) has no pivot at all.
  for (const char* text : {"min x0\nx0 + x1 <= 1\nx0 + 1.000000000000000000867361737988403547205962240695953369140625*x1 <= 2",
                           "min x0\nx0 + 2*x1 <= 1\nx0 + 2*x1 >= 0"}) {
    auto form = StandardForm::of(support::parse_lp(text));
    BoundFactor bounds;
    EXPECT_FALSE(bounds.factor(*form, {0, 1})) << text;
  }
}
