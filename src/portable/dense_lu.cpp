#include "portable/dense_lu.hpp"

#include <cmath>
#include <utility>

namespace mivex::portable {

namespace {

// Row i, column j of a column-major matrix.
double& at(double* a, int lda, int i, int j) { return a[i + static_cast<long>(j) * lda]; }
double at(const double* a, int lda, int i, int j) { return a[i + static_cast<long>(j) * lda]; }

}  // namespace

int lu_factor(int m, int n, double* a, int lda, int* pivot) {
  int info = 0;
  const int steps = m < n ? m : n;
  for (int k = 0; k < steps; ++k) {
    // The first entry of largest magnitude, as LAPACK's idamax picks it.
    int p = k;
    for (int i = k + 1; i < m; ++i) {
      if (std::fabs(at(a, lda, i, k)) > std::fabs(at(a, lda, p, k))) p = i;
    }
    pivot[k] = p + 1;
    const double head = at(a, lda, p, k);
    if (head == 0.0) {
      if (info == 0) info = k + 1;
      continue;
    }
    if (p != k) {
      for (int j = 0; j < n; ++j) std::swap(at(a, lda, k, j), at(a, lda, p, j));
    }
    for (int i = k + 1; i < m; ++i) at(a, lda, i, k) /= head;
    for (int j = k + 1; j < n; ++j) {
      const double top = at(a, lda, k, j);
      if (top == 0.0) continue;
      for (int i = k + 1; i < m; ++i) at(a, lda, i, j) -= at(a, lda, i, k) * top;
    }
  }
  return info;
}

void lu_solve(bool transposed, int n, int nrhs, const double* a, int lda, const int* pivot,
              double* b, int ldb) {
  for (int c = 0; c < nrhs; ++c) {
    double* x = b + static_cast<long>(c) * ldb;
    if (!transposed) {
      // P L U x = b: swap as the factorization did, then L, then U.
      for (int k = 0; k < n; ++k) std::swap(x[k], x[pivot[k] - 1]);
      for (int j = 0; j < n; ++j) {
        for (int i = j + 1; i < n; ++i) x[i] -= at(a, lda, i, j) * x[j];
      }
      for (int j = n - 1; j >= 0; --j) {
        x[j] /= at(a, lda, j, j);
        for (int i = 0; i < j; ++i) x[i] -= at(a, lda, i, j) * x[j];
      }
    } else {
      // U^T L^T P^T x = b: U^T, then L^T, then the swaps undone in reverse.
      for (int j = 0; j < n; ++j) {
        double sum = x[j];
        for (int i = 0; i < j; ++i) sum -= at(a, lda, i, j) * x[i];
        x[j] = sum / at(a, lda, j, j);
      }
      for (int j = n - 1; j >= 0; --j) {
        double sum = x[j];
        for (int i = j + 1; i < n; ++i) sum -= at(a, lda, i, j) * x[i];
        x[j] = sum;
      }
      for (int k = n - 1; k >= 0; --k) std::swap(x[k], x[pivot[k] - 1]);
    }
  }
}

}  // namespace mivex::portable
