// LU factorization with partial pivoting of a small dense column-major
// matrix, and solves with it: the two LAPACK routines (dgetrf, dgetrs) that
// CLP's factorization calls for its dense part. The portable build links
// these in place of LAPACK, which would bring BLAS and the Fortran runtime
// into the wheel (see lapack.cpp).
#pragma once

namespace mivex::portable {

// Factors the m x n matrix `a` (column j at a + j * lda) in place into P L U,
// L unit lower triangular; pivot[k] is the 1-based row swapped with row k+1.
// Returns 0, or the 1-based index of the first zero on U's diagonal (the
// factorization is then finished but U is singular), as dgetrf's INFO.
int lu_factor(int m, int n, double* a, int lda, int* pivot);

// Solves A X = B (transposed = false) or A^T X = B with the factors of the
// n x n matrix A; B's nrhs columns (at b + j * ldb) are overwritten with X.
void lu_solve(bool transposed, int n, int nrhs, const double* a, int lda, const int* pivot,
              double* b, int ldb);

}  // namespace mivex::portable
