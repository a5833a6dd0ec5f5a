/* The wheel's build only (VARNEL_OLD_GLIBC_SYMBOLS): log, log2 and pow for
 * objects that must load on glibc 2.28, with the results of glibc 2.29's.
 *
 * glibc 2.29 gave these functions new symbol versions, and the old ones,
 * which every glibc has, wrap the same computation in the SVID error
 * handler. That handler returns the same value in the POSIX mode every
 * program runs in, except for a domain error (log of a negative number,
 * pow of a negative number to a non-integer power): the old log and log2
 * return the constant NAN, whose sign bit is clear, where the new ones
 * compute (x - x) / (x - x), the processor's default NaN, whose sign bit
 * x86_64 sets. The library's results keep NaN's bits, so each library of
 * the wheel is linked with --wrap=log --wrap=log2 --wrap=pow: its calls come
 * here, the old version answers, and a NaN it makes of a number is made
 * again as the new version makes it. errno is the old version's (EDOM, as
 * the new one sets). NaN arguments come back as the old version returns
 * them, which is as the new one does.
 *
 * cmake/old-glibc-symbols.h binds the other renamed functions (exp, exp2,
 * hypot: no domain error, the same bits) without such a wrapper.
 */
#include <math.h>

#if defined(__x86_64__)
#define VARNEL_GLIBC_BASE "GLIBC_2.2.5"
#elif defined(__aarch64__)
#define VARNEL_GLIBC_BASE "GLIBC_2.17"
#else
#error "old-glibc-math.c: no base symbol version known for this architecture"
#endif

double varnel_old_log(double) __asm__("varnel_old_log");
double varnel_old_log2(double) __asm__("varnel_old_log2");
double varnel_old_pow(double, double) __asm__("varnel_old_pow");
__asm__(".symver varnel_old_log,log@" VARNEL_GLIBC_BASE);
__asm__(".symver varnel_old_log2,log2@" VARNEL_GLIBC_BASE);
__asm__(".symver varnel_old_pow,pow@" VARNEL_GLIBC_BASE);

#define HIDDEN __attribute__((visibility("hidden")))

/* glibc 2.29's __math_invalid: the default NaN of the subtraction and the
 * division, computed at run time. */
static double invalid(double x) { return (x - x) / (x - x); }

HIDDEN double __wrap_log(double x) {
  const double r = varnel_old_log(x);
  return isnan(r) && !isnan(x) ? invalid(x) : r;
}

HIDDEN double __wrap_log2(double x) {
  const double r = varnel_old_log2(x);
  return isnan(r) && !isnan(x) ? invalid(x) : r;
}

HIDDEN double __wrap_pow(double x, double y) {
  const double r = varnel_old_pow(x, y);
  return isnan(r) && !isnan(x) && !isnan(y) ? invalid(x) : r;
}
