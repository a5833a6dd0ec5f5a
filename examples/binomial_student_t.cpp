// The regularised incomplete beta function as distribution tails.
//
//   binomial(n, p):      P(K >= k) = I_p(k, n - k + 1), 1 <= k <= n
//   Student t, nu d.o.f.: P(|T| >= t) = I_(nu/(nu + t^2))(nu/2, 1/2)
//
// varnel::cephes::d_ibeta is accurate to a few units in the last place;
// varnel::specfun::d_ibeta stops its continued fraction at an absolute 1e-10
// and suits rough work only (both are shown).
#include <varnel/varnel.hpp>

#include <cmath>
#include <cstdio>

namespace {

double binomial_upper_tail(int k, int n, double p) {
  return varnel::cephes::d_ibeta(k, n - k + 1.0, p);
}

// The same tail term by term, to show the identity.
double binomial_upper_tail_by_sum(int k, int n, double p) {
  double sum = 0;
  for (int j = k; j <= n; ++j) {
    sum += std::exp(std::lgamma(n + 1.0) - std::lgamma(j + 1.0) - std::lgamma(n - j + 1.0) +
                    j * std::log(p) + (n - j) * std::log1p(-p));
  }
  return sum;
}

double student_t_two_sided(double t, double nu) {
  return varnel::cephes::d_ibeta(0.5 * nu, 0.5, nu / (nu + t * t));
}

}  // namespace

int main() {
  std::puts("binomial P(K >= k), n = 20, p = 0.3:");
  std::printf("%6s %24s %24s %24s\n", "k", "cephes::d_ibeta", "specfun::d_ibeta", "term by term");
  for (const int k : {1, 6, 10, 15, 20}) {
    std::printf("%6d %24.17g %24.17g %24.17g\n", k, binomial_upper_tail(k, 20, 0.3),
                varnel::specfun::d_ibeta(k, 20 - k + 1.0, 0.3),
                binomial_upper_tail_by_sum(k, 20, 0.3));
  }

  std::puts("\nStudent t, two-sided P(|T| >= t):");
  std::printf("%6s %6s %24s %24s\n", "nu", "t", "p", "closed form");
  const double pi = varnel::cephes::PI;
  for (const double t : {0.5, 2.0, 12.706204736174707}) {
    // One degree of freedom is the Cauchy distribution: p = 1 - 2 atan(t)/pi.
    std::printf("%6d %6.4g %24.17g %24.17g\n", 1, t, student_t_two_sided(t, 1.0),
                1.0 - 2.0 * std::atan(t) / pi);
  }
  for (const double t : {0.5, 2.0, 4.302652729749464}) {
    // Two degrees of freedom: p = 1 - t / sqrt(t^2 + 2).
    std::printf("%6d %6.4g %24.17g %24.17g\n", 2, t, student_t_two_sided(t, 2.0),
                1.0 - t / std::sqrt(t * t + 2.0));
  }
  std::printf("%6d %6.4g %24.17g\n", 30, 2.042272456301238, student_t_two_sided(2.042272456301238, 30));
  return 0;
}
