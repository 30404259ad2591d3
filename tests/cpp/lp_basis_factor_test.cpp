// The basis factor: its solves against the basis itself, and its sparse
// solves against the dense ones: on random sparse bases, through a run of column
// replacements, ftran_sparse must solve B x = v and inverse_row must give
// the rows of B^-1, each equal entry for entry to the dense solve, with
// exactly the nonzero positions listed in ascending order.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lp/factor/basis_factor.hpp"
#include "support/pick.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::Rational;

namespace {

using Dense = std::vector<std::vector<Rational>>;  // [row][position]

Rational random_value(std::mt19937& rng) {
  // Mostly small integers, as constraint matrices are; now and then a fraction.
  std::uniform_int_distribution<int> num(-3, 3);
  int n = num(rng);
  if (n == 0) n = 1;
  return Rational(n, rng() % 8 == 0 ? 2 : 1);
}

BasisFactor::Column random_column(std::mt19937& rng, std::size_t m, double density) {
  std::bernoulli_distribution pick(density);
  BasisFactor::Column col;
  for (std::size_t r = 0; r < m; ++r) {
    if (pick(rng)) col.push_back({static_cast<std::uint32_t>(r), random_value(rng)});
  }
  return col;
}

std::vector<std::uint32_t> nonzeros(const std::vector<Rational>& v) {
  std::vector<std::uint32_t> nz;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (!v[i].is_zero()) nz.push_back(static_cast<std::uint32_t>(i));
  }
  return nz;
}

// Checks both sparse solves at the current basis `b`.
void check_solves(const BasisFactor& lu, const Dense& b, std::mt19937& rng) {
  const std::size_t m = b.size();
  // ftran of a few sparse right-hand sides: B x = v, and the dense answer.
  for (int trial = 0; trial < 3; ++trial) {
    std::vector<Rational> v(m);
    std::vector<std::uint32_t> nz;
    for (const auto& e : random_column(rng, m, 2.0 / static_cast<double>(m) + 0.05)) {
      v[e.index] = e.value;
      nz.push_back(e.index);
    }
    std::vector<Rational> dense = v, sparse = v;
    lu.ftran(dense);
    lu.ftran_sparse(sparse, nz);
    ASSERT_EQ(sparse, dense);
    ASSERT_EQ(nz, nonzeros(sparse));
    for (std::size_t r = 0; r < m; ++r) {
      Rational sum;
      for (std::size_t p = 0; p < m; ++p) sum.sub_mul(b[r][p], sparse[p]);
      ASSERT_EQ(-sum, v[r]) << "row " << r;
    }
  }
  // Rows of the inverse: rho^T B = e_p, and btran's answer.
  for (int trial = 0; trial < 3; ++trial) {
    const std::size_t p = rng() % m;
    std::vector<Rational> unit(m), rho(m);
    unit[p] = Rational(1);
    lu.btran(unit);
    std::vector<std::uint32_t> nz;
    lu.inverse_row(p, rho, nz);
    ASSERT_EQ(rho, unit) << "position " << p;
    ASSERT_EQ(nz, nonzeros(rho));
    for (std::size_t q = 0; q < m; ++q) {
      Rational sum;
      for (std::size_t r = 0; r < m; ++r) sum.sub_mul(rho[r], b[r][q]);
      ASSERT_EQ(-sum, Rational(p == q ? 1 : 0)) << "position " << p << ", column " << q;
    }
  }
}

}  // namespace

TEST(BasisFactorSparse, SolvesMatchTheBasisAndTheDenseSolvesThroughUpdates) {
  std::mt19937 rng(20261208);
  int factored = 0, updates = 0;
  for (int trial = 0; trial < 200; ++trial) {
    const std::size_t m = 1 + rng() % 30;
    const double density = std::uniform_real_distribution<double>(0.02, 0.4)(rng);
    std::vector<BasisFactor::Column> columns(m);
    Dense b(m, std::vector<Rational>(m));
    for (std::size_t p = 0; p < m; ++p) {
      columns[p] = random_column(rng, m, density);
      // A diagonal most of the time keeps most bases nonsingular.
      if (rng() % 5 != 0) {
        bool has = false;
        for (const auto& e : columns[p]) has = has || e.index == p;
        if (!has) columns[p].push_back({static_cast<std::uint32_t>(p), random_value(rng)});
      }
      for (const auto& e : columns[p]) b[e.index][p] = e.value;
    }
    BasisFactor lu;
    if (!lu.try_factor(m, columns)) continue;
    ++factored;
    ASSERT_NO_FATAL_FAILURE(check_solves(lu, b, rng));
    // Replace columns as the simplex does: the new column's ftran image
    // names a position where it may go.
    for (int step = 0; step < 25; ++step) {
      const auto col = random_column(rng, m, density + 0.05);
      std::vector<Rational> alpha(m);
      std::vector<std::uint32_t> nz;
      for (const auto& e : col) {
        alpha[e.index] = e.value;
        nz.push_back(e.index);
      }
      lu.ftran_sparse(alpha, nz);
      if (nz.empty()) continue;
      const std::uint32_t position = nz[rng() % nz.size()];
      lu.update(position, alpha, nz);
      ++updates;
      for (std::size_t r = 0; r < m; ++r) b[r][position] = Rational();
      for (const auto& e : col) b[e.index][position] = e.value;
      ASSERT_NO_FATAL_FAILURE(check_solves(lu, b, rng));
    }
  }
  EXPECT_GT(factored, 130);
  EXPECT_GT(updates, 2000);
}

// B x = v and B^T y = w hold exactly on random sparse matrices; singular
// ones are refused.
TEST(BasisFactor, SolvesExactlyAndRefusesSingularMatrices) {
  std::mt19937_64 rng(7);
  support::Pick pick{rng};
  int singular = 0, solved = 0;
  for (int round = 0; round < 300; ++round) {
    std::size_t m = static_cast<std::size_t>(pick(1, 25));
    std::vector<BasisFactor::Column> cols(m);
    for (std::size_t k = 0; k < m; ++k) {
      for (std::size_t i = 0; i < m; ++i) {
        if (pick(0, 3) == 0 || (i == k && pick(0, 5) != 0)) {
          cols[k].push_back({static_cast<std::uint32_t>(i), Rational(pick(-5, 5), pick(1, 4))});
        }
      }
    }
    if (round % 5 == 0 && m > 1) cols[m - 1] = cols[0];  // dependent columns
    BasisFactor lu;
    if (!lu.try_factor(m, cols)) {
      ++singular;
      continue;
    }
    ++solved;
    std::vector<Rational> v(m), w(m);
    for (std::size_t i = 0; i < m; ++i) v[i] = Rational(pick(-9, 9)), w[i] = Rational(pick(-9, 9), pick(1, 3));
    std::vector<Rational> x = v, y = w;
    lu.ftran(x);
    lu.btran(y);
    std::vector<Rational> bx(m);
    for (std::size_t k = 0; k < m; ++k) {
      Rational bty;
      for (const auto& e : cols[k]) {
        bx[e.index] = bx[e.index] + e.value * x[k];
        bty = bty + e.value * y[e.index];
      }
      EXPECT_EQ(bty, w[k]);
    }
    EXPECT_EQ(bx, v);
  }
  EXPECT_GT(solved, 100);
  EXPECT_GT(singular, 30);
}
