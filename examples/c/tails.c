/* Tail probabilities of two test statistics through libvarnel's C interface:
 * the chi-square upper tail, by the regularised upper incomplete gamma
 * function, and the two-sided Student t tail, by the regularised incomplete
 * beta function, at the usual critical values (5 %, 1 % and 0.1 %).
 *
 *   P(X > x)   = Q(k/2, x/2)               X chi-square with k degrees of freedom
 *   P(|T| > t) = I_w(nu/2, 1/2), w = nu/(nu + t^2)   T Student t with nu degrees
 *
 * Each result is printed with 17 significant digits and as its bit pattern;
 * examples/fortran/tails.f90 prints the same table, character for character.
 *
 * Build:  cc -ffp-contract=off tails.c $(pkg-config --cflags --libs varnel-c)
 * (-ffp-contract=off keeps w = nu/(nu + t*t) from being computed with a fused
 * multiply-add, which some processors would use and others not.) */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <varnel/varnel.h>

static unsigned long long bits_of(double v) {
  uint64_t b;
  memcpy(&b, &v, sizeof b);
  return (unsigned long long)b;
}

int main(void) {
  static const struct { int k; double x; } chi[] = {
      {1, 3.841},   {1, 6.635},   {1, 10.828},  {2, 5.991},   {2, 9.210},   {2, 13.816},
      {5, 11.070},  {5, 15.086},  {5, 20.515},  {10, 18.307}, {10, 23.209}, {10, 29.588},
  };
  static const struct { int nu; double t; } student[] = {
      {1, 12.706}, {1, 63.657}, {5, 2.571},  {5, 4.032},
      {10, 2.228}, {10, 3.169}, {30, 2.042}, {30, 2.750},
  };
  size_t i;

  printf("Chi-square upper tail P(X > x) = varnel_cephes_d_igamc(k/2, x/2)\n");
  printf("   k        x                 P(X > x)               bits\n");
  for (i = 0; i < sizeof chi / sizeof chi[0]; ++i) {
    const double p = varnel_cephes_d_igamc(0.5 * chi[i].k, 0.5 * chi[i].x);
    printf("%4d %8.3f   %23.16E   %016llX\n", chi[i].k, chi[i].x, p, bits_of(p));
  }

  printf("\nStudent t two-sided tail P(|T| > t) = varnel_cephes_d_ibeta(nu/2, 1/2, w),"
         " w = nu/(nu + t^2)\n");
  printf("  nu        t                        w               P(|T| > t)               bits\n");
  for (i = 0; i < sizeof student / sizeof student[0]; ++i) {
    const double nu = student[i].nu, t = student[i].t;
    const double w = nu / (nu + t * t);
    const double p = varnel_cephes_d_ibeta(0.5 * nu, 0.5, w);
    printf("%4d %8.3f   %23.16E   %23.16E   %016llX\n", student[i].nu, t, w, p, bits_of(p));
  }
  return 0;
}
