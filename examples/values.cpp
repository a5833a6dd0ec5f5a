// Prints a few values of the library's functions.
#include <varnel/varnel.hpp>

#include <cstdio>

int main() {
  namespace sf = varnel::specfun;
  std::printf("Gamma(0.5)    = %.17g  (sqrt(pi))\n", sf::d_gamma(0.5));
  std::printf("Gamma(11)     = %.17g  (10!)\n", sf::d_gamma(11.0));
  std::printf("Gamma(-1.5)   = %.17g\n", sf::d_gamma(-1.5));
  std::printf("Gamma(0.5f)   = %.9g\n", static_cast<double>(sf::s_gamma(0.5f)));
  std::printf("Gamma(-1)     = %.17g  (pole: the overflow value)\n", sf::d_gamma(-1.0));
  std::printf("SQTPI         = %.17g\n", varnel::cephes::SQTPI);
  return 0;
}
