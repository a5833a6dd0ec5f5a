/* The baseline of r/bench/bench.R: the C array calls alone, on the R
 * vectors' memory, into a result vector allocated beforehand. No checks, no
 * recycling, no NA pass: what a C program calling libvarnel-c pays. */
#include <R.h>
#include <Rinternals.h>

#include <time.h>

#include <varnel/varnel.h>

/* The calling thread's CPU time in seconds, the benchmark's clock: time the
 * process spends descheduled on a loaded machine does not count. */
SEXP raw_cpu_time(void) {
  struct timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return ScalarReal((double)t.tv_sec + 1e-9 * (double)t.tv_nsec);
}

SEXP raw_d_igamma(SEXP a, SEXP x, SEXP y) {
  varnel_cephes_d_igamma_array((size_t)XLENGTH(y), REAL(a), 1, REAL(x), 1, REAL(y), 1);
  return R_NilValue;
}

SEXP raw_cephes_d_ibeta(SEXP a, SEXP b, SEXP x, SEXP y) {
  varnel_cephes_d_ibeta_array((size_t)XLENGTH(y), REAL(a), 1, REAL(b), 1, REAL(x), 1, REAL(y), 1);
  return R_NilValue;
}

SEXP raw_d_gamma(SEXP x, SEXP y) {
  varnel_specfun_d_gamma_array((size_t)XLENGTH(y), REAL(x), 1, REAL(y), 1);
  return R_NilValue;
}
