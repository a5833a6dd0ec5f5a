/* The recorder's stand-ins for the C mathematics library. Linked into the
 * recorder executable (with its symbols exported), they take the place of the
 * library's functions for every shared object loaded after it, our library
 * among them. Each forwards to the real function found after the executable
 * in the lookup order, so results are exactly those of the real library, and
 * reports the call to the sink once it has returned. A call made while
 * another hook is running (one mathematics function calling another through
 * its exported name) is not a call of ours and is not reported.
 *
 * This file declares no mathematics header: it defines those functions. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include "tape.h"

static tape_sink current_sink;
static int depth;

void tape_set_sink(tape_sink sink) { current_sink = sink; }

static void* real_function(const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (f == NULL) {
    fprintf(stderr, "tape recorder: %s not found after the recorder\n", name);
    abort();
  }
  return f;
}

static void report(int op, double a0, double a1, double a2, double a3) {
  if (current_sink == NULL || depth != 0) return;
  const struct tape_call call = {op, {a0, a1, a2, a3}};
  current_sink(&call);
}

/* One hook per signature class. Each looks its real function up on first
 * use. */
#define REAL(name, type)                      \
  static __typeof__(type) real;               \
  if (real == NULL) *(void**)&real = real_function(#name)

#define HOOK_D_D(name)                              \
  double name(double x) {                           \
    REAL(name, double (*)(double));                 \
    ++depth;                                        \
    const double r = real(x);                       \
    --depth;                                        \
    report(TAPE_OP_##name, x, 0, 0, 0);             \
    return r;                                       \
  }

#define HOOK_DD_D(name)                             \
  double name(double x, double y) {                 \
    REAL(name, double (*)(double, double));         \
    ++depth;                                        \
    const double r = real(x, y);                    \
    --depth;                                        \
    report(TAPE_OP_##name, x, y, 0, 0);             \
    return r;                                       \
  }

#define HOOK_F_F(name)                              \
  float name(float x) {                             \
    REAL(name, float (*)(float));                   \
    ++depth;                                        \
    const float r = real(x);                        \
    --depth;                                        \
    report(TAPE_OP_##name, x, 0, 0, 0);             \
    return r;                                       \
  }

#define HOOK_FF_F(name)                             \
  float name(float x, float y) {                    \
    REAL(name, float (*)(float, float));            \
    ++depth;                                        \
    const float r = real(x, y);                     \
    --depth;                                        \
    report(TAPE_OP_##name, x, y, 0, 0);             \
    return r;                                       \
  }

#define HOOK_SINCOS(name)                           \
  void name(double x, double* s, double* c) {       \
    REAL(name, void (*)(double, double*, double*)); \
    ++depth;                                        \
    real(x, s, c);                                  \
    --depth;                                        \
    report(TAPE_OP_##name, x, 0, 0, 0);             \
  }

#define HOOK_SINCOSF(name)                          \
  void name(float x, float* s, float* c) {          \
    REAL(name, void (*)(float, float*, float*));    \
    ++depth;                                        \
    real(x, s, c);                                  \
    --depth;                                        \
    report(TAPE_OP_##name, x, 0, 0, 0);             \
  }

#define HOOK_Z_Z(name)                                                \
  _Complex double name(_Complex double z) {                           \
    REAL(name, _Complex double (*)(_Complex double));                 \
    ++depth;                                                          \
    const _Complex double r = real(z);                                \
    --depth;                                                          \
    report(TAPE_OP_##name, __real__ z, __imag__ z, 0, 0);             \
    return r;                                                         \
  }

#define HOOK_ZZ_Z(name)                                                      \
  _Complex double name(_Complex double z, _Complex double w) {               \
    REAL(name, _Complex double (*)(_Complex double, _Complex double));       \
    ++depth;                                                                 \
    const _Complex double r = real(z, w);                                    \
    --depth;                                                                 \
    report(TAPE_OP_##name, __real__ z, __imag__ z, __real__ w, __imag__ w);  \
    return r;                                                                \
  }

#define HOOK_Z_D(name)                                    \
  double name(_Complex double z) {                        \
    REAL(name, double (*)(_Complex double));              \
    ++depth;                                              \
    const double r = real(z);                             \
    --depth;                                              \
    report(TAPE_OP_##name, __real__ z, __imag__ z, 0, 0); \
    return r;                                             \
  }

#define TAPE_HOOK(name, sig) HOOK_##sig(name)
TAPE_FUNCTIONS(TAPE_HOOK)
