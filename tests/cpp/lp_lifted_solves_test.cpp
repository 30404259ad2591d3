// Lifting against the rational factor: on random programs with small
// integers, decimals (rows scaled by different powers of ten) and wide
// integers (answers of many hundreds of bits, so many lifting steps and
// denominators that grow entry by entry), through runs of basis changes,
// every answer must equal the rational solve, entry for entry. Where the
// numbers leave the words the lifting works in, it must refuse, not guess.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "lp/factor/basis_factor.hpp"
#include "lp/factor/lifted_solves.hpp"
#include "lp/factor/standard_form.hpp"
#include "support/lp_files.hpp"
#include "support/soak.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::Rational;

namespace {

std::string coefficient(std::mt19937_64& rng, int family) {
  switch (family) {
    case 0: return std::to_string(static_cast<int>(rng() % 19) - 9);
    case 1: {
      const int places = 1 + static_cast<int>(rng() % 5);
      std::string digits = std::to_string(1 + rng() % 99999);
      while (static_cast<int>(digits.size()) <= places) digits = "0" + digits;
      digits.insert(digits.size() - static_cast<std::size_t>(places), ".");
      return (rng() % 2 ? "-" : "") + digits;
    }
    default: return std::to_string(static_cast<std::int64_t>(rng() % 2000000000000) - 1000000000000);
  }
}

std::string random_program(std::mt19937_64& rng, std::size_t m, std::size_t n, int family) {
  auto term = [&](std::mt19937_64& r, bool first) {
    const std::string a = coefficient(r, family);
    return a == "0" ? std::string() : (first ? "" : " + ") + a;
  };
  return support::sparse_program(rng, m, n, term, [&](std::mt19937_64& r) { return coefficient(r, family); });
}

std::vector<Rational> solve(const BasisFactor& lu, const StandardForm& form, std::size_t col) {
  std::vector<Rational> v(form.num_rows());
  if (col == form.num_cols()) {
    v = form.rhs();
  } else {
    form.for_any_column(col, [&](std::size_t row, const Rational& a) { v[row] = a; });
  }
  lu.ftran(v);
  return v;
}

}  // namespace

TEST(LiftedSolves, EqualTheRationalSolvesThroughBasisChanges) {
  std::mt19937_64 rng(support::soak_seed(10122026));
  std::size_t answers = 0, wide = 0;
  for (int trial = 0; trial < support::soak_rounds(90) && !HasFailure(); ++trial) {
    const int family = trial % 3;
    const std::size_t m = 2 + rng() % 20;
    const std::size_t n = m + rng() % (m + 4);
    auto form = StandardForm::of(support::parse_lp(random_program(rng, m, n, family)));
    const std::size_t rows = form->num_rows();
    std::vector<std::uint32_t> basis(rows), all(rows);
    for (std::size_t p = 0; p < rows; ++p) {
      basis[p] = form->start_basic(p);
      all[p] = static_cast<std::uint32_t>(p);
    }
    LiftedSolves lifted;
    BasisFactor lu;
    for (int step = 0; step < 30; ++step) {
      lu.factor(*form, basis);
      const std::size_t col = rng() % form->num_cols();
      std::vector<Rational> x, alpha;
      if (lifted.values(*form, basis, col, all, x, alpha)) {
        ++answers;
        ASSERT_EQ(x, solve(lu, *form, form->num_cols())) << "trial " << trial << " step " << step;
        ASSERT_EQ(alpha, solve(lu, *form, col)) << "trial " << trial << " step " << step;
        wide += lifted.steps() >= 8 ? 1 : 0;
      } else {
        EXPECT_NE(family, 0) << "small integers always fit";
      }
      // Bring `col` into the basis where its image allows.
      const std::vector<Rational> image = solve(lu, *form, col);
      const std::size_t p = rng() % rows;
      if (!image[p].is_zero() && std::find(basis.begin(), basis.end(), col) == basis.end()) basis[p] = static_cast<std::uint32_t>(col);
    }
  }
  std::printf("lifted solves: %zu answered, %zu of them wide\n", answers, wide);
  EXPECT_GT(answers, 2000u);
  EXPECT_GT(wide, 100u);
}

TEST(LiftedSolves, RefuseNumbersBeyondTheirWords) {
  // A row scaled to integers leaves 62 bits: no answer, rather than a wrong one.
  auto form = StandardForm::of(support::parse_lp("min x0\n123456789012.123456789*x0 + x1 <= 3\nx0 - x1 >= 1"));
  std::vector<std::uint32_t> basis = {0, 1};
  std::vector<Rational> x, alpha;
  LiftedSolves lifted;
  EXPECT_FALSE(lifted.values(*form, basis, 2, {0, 1}, x, alpha));
  // Row sums of |B| past 2^62 too (the remainders would leave 128 bits).
  auto wide = StandardForm::of(
      support::parse_lp("min x0\n3000000000000000000*x0 + 3000000000000000000*x1 <= 3\nx0 - x1 >= 1"));
  EXPECT_FALSE(lifted.values(*wide, basis, 2, {0, 1}, x, alpha));
}
