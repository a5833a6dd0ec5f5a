/* The wheel's build only (VARNEL_OLD_GLIBC_SYMBOLS, given to every C and C++
 * compile with -include): the C library functions that glibc gave a new
 * symbol version after 2.28 are bound to the version every glibc since the
 * architecture's first has, so that the objects load on glibc 2.28
 * (manylinux_2_28) although they are linked against a newer one.
 *
 *   exp, exp2                   GLIBC_2.29: the same functions without the
 *                               SVID error wrapper; the old version's
 *                               wrapper only sets errno and returns the
 *                               same value in the POSIX mode every program
 *                               runs in (exp has no domain error), so no
 *                               result bit changes (the bit tests of the
 *                               wheel check it on each system)
 *   hypot                       GLIBC_2.35, likewise
 *   pthread_*                   GLIBC_2.34, when libpthread moved into libc;
 *                               the old versions are the same functions
 *
 * log, log2 and pow (GLIBC_2.29) are not bound here: their old versions
 * give a NaN of another sign on a domain error, so the libraries reach them
 * through cmake/old-glibc-math.c instead.
 *
 * The first version of an architecture is GLIBC_2.2.5 on x86_64 and
 * GLIBC_2.17 on aarch64. A .symver of a function an object never calls
 * leaves no trace in it. References that a static archive makes (the C++
 * run time linked into the extension) are not compiled with this header:
 * python/src/glibc_compat.cpp takes them through the linker's --wrap.
 */
#ifndef VARNEL_OLD_GLIBC_SYMBOLS_H
#define VARNEL_OLD_GLIBC_SYMBOLS_H

#if defined(__x86_64__)
#define VARNEL_GLIBC_BASE "GLIBC_2.2.5"
#elif defined(__aarch64__)
#define VARNEL_GLIBC_BASE "GLIBC_2.17"
#else
#error "old-glibc-symbols.h: no base symbol version known for this architecture"
#endif

#define VARNEL_OLD_SYMBOL(name) __asm__(".symver " #name "," #name "@" VARNEL_GLIBC_BASE);

VARNEL_OLD_SYMBOL(exp)
VARNEL_OLD_SYMBOL(exp2)
VARNEL_OLD_SYMBOL(hypot)
VARNEL_OLD_SYMBOL(pthread_create)
VARNEL_OLD_SYMBOL(pthread_join)
VARNEL_OLD_SYMBOL(pthread_detach)
VARNEL_OLD_SYMBOL(pthread_once)
VARNEL_OLD_SYMBOL(pthread_key_create)
VARNEL_OLD_SYMBOL(pthread_key_delete)
VARNEL_OLD_SYMBOL(pthread_getspecific)
VARNEL_OLD_SYMBOL(pthread_setspecific)
VARNEL_OLD_SYMBOL(pthread_mutex_trylock)

#undef VARNEL_OLD_SYMBOL
#endif
