/* A stand-in for another version of the C mathematics library, preloaded
 * under the characterisation test: its cexp answers one unit in the last
 * place away from the real one for about half of the arguments (those whose
 * real part has an odd last bit), as a C library with another cexp would.
 * The test must then report those moved results as this C library's answers,
 * not as a change of the library's own arithmetic, and pass. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

double _Complex cexp(double _Complex z) {
  static double _Complex (*real)(double _Complex);
  if (real == NULL) *(void**)&real = dlsym(RTLD_NEXT, "cexp");
  double _Complex r = real(z);
  const double x = __real__ z;
  uint64_t bits;
  memcpy(&bits, &x, sizeof bits);
  if (bits & 1) __real__ r = nextafter(__real__ r, INFINITY);
  return r;
}
