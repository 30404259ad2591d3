// LAPACK's dgetrf and dgetrs under their Fortran names, for the portable
// build only: CLP's static archives call them (CoinFactorization, for the
// dense part of a basis factorization), and this is all of LAPACK they use.
// Linking the real one would bring BLAS, libgfortran and libquadmath.
#include "portable/dense_lu.hpp"

extern "C" {

void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info) {
  *info = mivex::portable::lu_factor(*m, *n, a, *lda, ipiv);
}

// The trailing hidden length of `trans` that Fortran callers pass is unused.
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info) {
  const bool transposed = *trans != 'N' && *trans != 'n';
  mivex::portable::lu_solve(transposed, *n, *nrhs, a, *lda, ipiv, b, *ldb);
  *info = 0;
}

}
