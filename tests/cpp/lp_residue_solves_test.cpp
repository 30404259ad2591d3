// The residue solves of the basis factor against its rational solves: on
// random integer programs with dense rows (large determinants), through
// runs of column replacements and refactors, every ftran_sparse,
// inverse_row and btran must give the same vector (and nonzero list)
// whether it went through residues or not. And where a result does not fit the
// primes' range, the check must catch it and the rational solve answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "lp/factor/basis_factor.hpp"
#include "lp/factor/standard_form.hpp"
#include "support/lp_files.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::Rational;
using Mode = BasisFactor::ResidueMode;

namespace {

std::string random_program(std::mt19937& rng, std::size_t m, std::size_t n, int range, double density) {
  std::uniform_int_distribution<int> coef(-range, range);
  std::bernoulli_distribution pick(density);
  std::string text = "min x0";
  for (std::size_t i = 0; i < m; ++i) {
    text += "\n";
    bool any = false;
    for (std::size_t j = 0; j < n; ++j) {
      int a = coef(rng);
      if (a == 0 || !pick(rng)) continue;
      text += (any ? " + " : "") + std::to_string(a) + "*x" + std::to_string(j);
      any = true;
    }
    if (!any) text += "1*x" + std::to_string(i % n);
    const char* sense[] = {" <= ", " >= ", " = "};
    text += sense[rng() % 3] + std::to_string(static_cast<int>(rng() % 50));
  }
  return text;
}

// The column `col` of the form as a sparse right-hand side.
void load(const StandardForm& form, std::size_t col, std::vector<Rational>& v, std::vector<std::uint32_t>& nz) {
  v.assign(form.num_rows(), Rational());
  nz.clear();
  form.for_any_column(col, [&](std::size_t row, const Rational& a) {
    v[row] = a;
    nz.push_back(static_cast<std::uint32_t>(row));
  });
}

}  // namespace

TEST(ResidueSolves, EqualTheRationalSolvesThroughUpdatesAndRefactors) {
  std::mt19937 rng(8122026);
  std::size_t residue_solves = 0, updates = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const std::size_t m = 2 + rng() % 24;
    const std::size_t n = m + rng() % (m + 6);
    const int range = trial % 3 == 0 ? 3 : 60;
    auto form = StandardForm::of(support::parse_lp(random_program(rng, m, n, range, 0.7)));
    std::vector<std::uint32_t> basis(m);
    for (std::size_t p = 0; p < m; ++p) basis[p] = form->start_basic(p);
    BasisFactor residues, rationals;
    residues.set_residue_mode(Mode::Always);
    rationals.set_residue_mode(Mode::Never);
    residues.factor(*form, basis);
    rationals.factor(*form, basis);
    std::vector<Rational> a, b;
    std::vector<std::uint32_t> a_nz, b_nz;
    for (int step = 0; step < 40; ++step) {
      // Rows of the inverse at a few positions.
      for (int k = 0; k < 2; ++k) {
        const std::size_t p = rng() % m;
        a.assign(m, Rational());
        b.assign(m, Rational());
        residues.inverse_row(p, a, a_nz);
        rationals.inverse_row(p, b, b_nz);
        ASSERT_EQ(a, b) << "trial " << trial << " step " << step << " position " << p;
        ASSERT_EQ(a_nz, b_nz);
      }
      // Multipliers of integer costs (now and then with a fraction, which
      // the rational solve must answer).
      a.assign(m, Rational());
      for (std::size_t p = 0; p < m; ++p) {
        if (rng() % 3 == 0) a[p] = Rational(static_cast<std::int64_t>(rng() % 41) - 20);
      }
      if (step % 7 == 0) a[rng() % m] = Rational(1, 3);
      b = a;
      residues.btran(a);
      rationals.btran(b);
      ASSERT_EQ(a, b) << "trial " << trial << " step " << step << " btran";
      // A column that may enter, and the position it replaces.
      const std::size_t col = rng() % form->num_cols();
      if (std::find(basis.begin(), basis.end(), col) != basis.end()) continue;
      load(*form, col, a, a_nz);
      load(*form, col, b, b_nz);
      residues.ftran_sparse(a, a_nz);
      rationals.ftran_sparse(b, b_nz);
      ASSERT_EQ(a, b) << "trial " << trial << " step " << step << " column " << col;
      ASSERT_EQ(a_nz, b_nz);
      if (a_nz.empty()) continue;
      const std::uint32_t position = a_nz[rng() % a_nz.size()];
      basis[position] = static_cast<std::uint32_t>(col);
      if (step % 9 == 8) {
        residues.factor(*form, basis);
        rationals.factor(*form, basis);
      } else {
        residues.update(position, a, a_nz, static_cast<std::uint32_t>(col));
        rationals.update(position, b, b_nz, static_cast<std::uint32_t>(col));
      }
      ++updates;
    }
    residue_solves += residues.residue_solves();
    EXPECT_EQ(rationals.residue_solves(), 0u);
  }
  EXPECT_GT(updates, 1000u);
  EXPECT_GT(residue_solves, 3000u);
}

TEST(ResidueSolves, ResultsBeyondThePrimesRangeFallBackToRationals) {
  // x_0 <= 1, x_i - 2^30 x_(i-1) <= 1: with every x_i basic, B is unit
  // lower bidiagonal (D = 1) and B^-1 e_0 = (1, 2^30, 2^60, ...), which
  // leaves the range of two 62-bit primes at 2^150 but not at 2^90.
  for (std::size_t k : {4u, 6u}) {
    std::string text = "min x0\nx0 <= 1";
    for (std::size_t i = 1; i < k; ++i) {
      text += "\n-1073741824*x" + std::to_string(i - 1) + " + x" + std::to_string(i) + " <= 1";
    }
    auto form = StandardForm::of(support::parse_lp(text));
    std::vector<std::uint32_t> basis(k);
    for (std::size_t p = 0; p < k; ++p) basis[p] = static_cast<std::uint32_t>(p);
    BasisFactor lu;
    lu.set_residue_mode(Mode::Always);
    lu.factor(*form, basis);
    const std::size_t slack0 = form->row_aux(0).first;
    std::vector<Rational> x;
    std::vector<std::uint32_t> nz;
    load(*form, slack0, x, nz);
    lu.ftran_sparse(x, nz);
    Rational power(1);
    for (std::size_t i = 0; i < k; ++i) {
      EXPECT_EQ(x[i], power) << "k " << k << " entry " << i;
      power = power * Rational(1073741824);
    }
    EXPECT_EQ(nz.size(), k);
    EXPECT_EQ(lu.residue_solves(), k == 4 ? 1u : 0u);
    // After a failed check residues stay off until the next factor.
    load(*form, 0, x, nz);
    lu.ftran_sparse(x, nz);
    EXPECT_EQ(x[0], Rational(1));
    EXPECT_EQ(lu.residue_solves(), k == 4 ? 2u : 0u);
    lu.factor(*form, basis);
    load(*form, 0, x, nz);
    lu.ftran_sparse(x, nz);
    EXPECT_EQ(lu.residue_solves(), k == 4 ? 3u : 1u);
    // The multipliers of a cost on the last position: y_i = 2^(30 (k-1-i)).
    std::vector<Rational> y(k);
    y[k - 1] = Rational(1);
    lu.btran(y);
    for (std::size_t i = k; i-- > 0;) EXPECT_EQ(y[i], i == k - 1 ? Rational(1) : y[i + 1] * Rational(1073741824));
    EXPECT_EQ(lu.residue_solves(), k == 4 ? 4u : 1u);
  }
}
