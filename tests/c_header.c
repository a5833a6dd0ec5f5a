/* <varnel/varnel.h> read by a C compiler, as C99 with every warning an
 * error: each declaration there must be exactly the one the list in
 * <varnel/functions.h> gives (a C compiler rejects a redeclaration of another
 * type), complex numbers are double _Complex, and a C program links and runs
 * against libvarnel-c.so.0 alone. */
#include <complex.h>
#include <math.h>
#include <stdio.h>

#include "varnel/varnel.h"

#define REDECLARE(ns, name, sig, meaning) \
  VARNEL_RESULT_##sig varnel_##ns##_##name VARNEL_PARAMS_##sig;
VARNEL_FUNCTIONS(REDECLARE)
#define REDECLARE_CONSTANT(name, meaning) extern const double varnel_cephes_##name;
VARNEL_CONSTANTS(REDECLARE_CONSTANT)

/* Same type as the header's, or the initialisation does not compile. */
static double _Complex (*const z_gamma)(double _Complex) = varnel_cephes_z_gamma;

int main(void) {
  /* Gamma(3 + 0i) = 2 and Gamma(0.5) = sqrt(pi); P(1, x) = 1 - exp(-x). */
  const double _Complex g = z_gamma(3.0);
  const double s = varnel_specfun_d_gamma(0.5);
  const double p = varnel_cephes_d_igamma(1.0, varnel_cephes_LOGE2);
  int fail = 0;
  if (cabs(g - 2.0) > 1e-14 || cimag(g) != 0.0) fail = 1, printf("z_gamma(3) = %a %+a i\n", creal(g), cimag(g));
  if (fabs(s * s - varnel_cephes_PI) > 1e-14) fail = 1, printf("d_gamma(0.5)^2 = %a\n", s * s);
  if (p < 0.5 - 1e-15 || p > 0.5 + 1e-15) fail = 1, printf("d_igamma(1, ln 2) = %a\n", p);
  return fail;
}
