// The LU that stands in for LAPACK's dgetrf and dgetrs in the wheel (CLP
// factors dense parts of its bases with it): on random square and
// rectangular matrices P A = L U with partial pivoting (|L| <= 1), solves
// with A and with A^T leave small residuals, and a zero pivot is reported at
// the first column where it occurs, as dgetrf's INFO does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "portable/dense_lu.hpp"

using mivex::portable::lu_factor;
using mivex::portable::lu_solve;

namespace {

// Column-major, with a leading dimension larger than the rows (as CLP's).
struct Matrix {
  int rows, cols, ld;
  std::vector<double> data;
  Matrix(int r, int c) : rows(r), cols(c), ld(r + 3), data(static_cast<std::size_t>(ld) * c, 0.0) {}
  double& operator()(int i, int j) { return data[i + static_cast<std::size_t>(j) * ld]; }
};

Matrix random_matrix(std::mt19937& rng, int rows, int cols) {
  std::uniform_real_distribution<double> value(-4.0, 4.0);
  std::bernoulli_distribution zero(0.3);
  Matrix a(rows, cols);
  for (int j = 0; j < cols; ++j) {
    for (int i = 0; i < rows; ++i) a(i, j) = zero(rng) ? 0.0 : std::round(value(rng) * 8) / 8;
  }
  return a;
}

// P A == L U entry for entry (up to roundoff), with |L| <= 1.
void expect_factors(Matrix a, const Matrix& lu, const std::vector<int>& pivot) {
  const int steps = std::min(a.rows, a.cols);
  for (int k = 0; k < steps; ++k) {
    for (int j = 0; j < a.cols; ++j) std::swap(a(k, j), a(pivot[k] - 1, j));
  }
  Matrix f = lu;
  for (int i = 0; i < a.rows; ++i) {
    for (int j = 0; j < a.cols; ++j) {
      double sum = 0;
      for (int k = 0; k <= std::min({i, j, steps - 1}); ++k) {
        const double l = k == i ? 1.0 : f(i, k);
        if (k < i) {
          EXPECT_LE(std::fabs(l), 1.0);
        }
        sum += l * f(k, j);
      }
      EXPECT_NEAR(sum, a(i, j), 1e-9) << i << "," << j;
    }
  }
}

}  // namespace

TEST(PortableDenseLu, FactorsAndSolvesRandomSquareSystems) {
  std::mt19937 rng(7);
  int solved = 0;
  for (int round = 0; round < 300; ++round) {
    const int n = 1 + static_cast<int>(rng() % 30);
    Matrix a = random_matrix(rng, n, n);
    Matrix lu = a;
    std::vector<int> pivot(n);
    const int info = lu_factor(n, n, lu.data.data(), lu.ld, pivot.data());
    expect_factors(a, lu, pivot);
    if (info != 0) continue;
    ++solved;
    for (bool transposed : {false, true}) {
      const int nrhs = 2, ldb = n + 1;
      std::vector<double> b(static_cast<std::size_t>(ldb) * nrhs), x;
      for (double& v : b) v = static_cast<double>(static_cast<int>(rng() % 19) - 9);
      x = b;
      lu_solve(transposed, n, nrhs, lu.data.data(), lu.ld, pivot.data(), x.data(), ldb);
      for (int c = 0; c < nrhs; ++c) {
        for (int i = 0; i < n; ++i) {
          double sum = 0, scale = 1;
          for (int j = 0; j < n; ++j) {
            const double entry = transposed ? a(j, i) : a(i, j);
            sum += entry * x[j + c * ldb];
            scale += std::fabs(entry * x[j + c * ldb]);
          }
          EXPECT_NEAR(sum, b[i + c * ldb], 1e-9 * scale) << "n " << n << " transposed " << transposed;
        }
      }
    }
  }
  EXPECT_GT(solved, 200);
}

TEST(PortableDenseLu, FactorsRectangularMatrices) {
  std::mt19937 rng(11);
  for (int round = 0; round < 100; ++round) {
    const int m = 1 + static_cast<int>(rng() % 12), n = 1 + static_cast<int>(rng() % 12);
    Matrix a = random_matrix(rng, m, n);
    Matrix lu = a;
    std::vector<int> pivot(std::min(m, n));
    lu_factor(m, n, lu.data.data(), lu.ld, pivot.data());
    expect_factors(a, lu, pivot);
  }
}

TEST(PortableDenseLu, ReportsTheFirstZeroPivot) {
  // Columns 0 and 1 independent, column 2 their sum, column 3 independent:
  // the third step finds nothing to pivot on.
  Matrix a(4, 4);
  const double cols[4][4] = {{1, 2, 0, 1}, {0, 1, 3, 1}, {1, 3, 3, 2}, {5, 0, 1, 0}};
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) a(i, j) = cols[j][i];
  }
  Matrix lu = a;
  std::vector<int> pivot(4);
  EXPECT_EQ(lu_factor(4, 4, lu.data.data(), lu.ld, pivot.data()), 3);
  expect_factors(a, lu, pivot);

  Matrix zero(3, 3);
  EXPECT_EQ(lu_factor(3, 3, zero.data.data(), zero.ld, pivot.data()), 1);
}
