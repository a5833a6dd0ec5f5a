/* The recorder's stand-ins for the C mathematics library. Linked into the
 * recorder executable (and into the characterisation test) with their symbols
 * exported, they take the place of the library's functions for every shared
 * object loaded after it, our library among them. Each forwards to the real
 * function found after the executable in the lookup order, so results are
 * exactly those of the real library, and reports the call to the sinks once it
 * has returned; an answer source, when set, may then replace the answer (the
 * characterisation check serves the pinned C library's answers this way). A call made while another hook is running (one mathematics
 * function calling another through its exported name) is not a call of ours
 * and is not reported.
 *
 * This file declares no mathematics header: it defines those functions. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include "tape.h"

static tape_sink current_sink;
static tape_answer_sink current_answer_sink;
static tape_answer_source current_answer_source;
static int depth;

void tape_set_sink(tape_sink sink) { current_sink = sink; }
void tape_set_answer_sink(tape_answer_sink sink) { current_answer_sink = sink; }
void tape_set_answer_source(tape_answer_source source) { current_answer_source = source; }

static void* real_function(const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (f == NULL) {
    fprintf(stderr, "tape recorder: %s not found after the recorder\n", name);
    abort();
  }
  return f;
}

/* Reports a call and returns nonzero when the answer source replaces the
 * answer, which is then in *answer0 and *answer1. */
static int report(int op, double a0, double a1, double a2, double a3, double* answer0,
                  double* answer1) {
  if (depth != 0) return 0;
  const struct tape_call call = {op, {a0, a1, a2, a3}};
  if (current_sink != NULL) current_sink(&call);
  if (current_answer_sink != NULL) current_answer_sink(&call, *answer0, *answer1);
  return current_answer_source != NULL && current_answer_source(&call, answer0, answer1);
}

/* A hook: looks its real function up on first use, calls it, reports the
 * call and returns the answer, or the source's in its place. KIND is real or
 * complex, PARAMS and ARGS are the parenthesised parameter and argument
 * lists, A0..A3 the arguments as the tape stores them, R0 and R1 the answer r
 * in two parts. */
#define HOOK(name, ret, kind, params, args, a0, a1, a2, a3, r0, r1) \
  ret name params {                                           \
    static __typeof__(ret(*) params) real;                    \
    if (real == NULL) *(void**)&real = real_function(#name);   \
    ++depth;                                                  \
    ret r = real args;                                        \
    --depth;                                                  \
    double p0 = r0, p1 = r1;                                  \
    if (report(TAPE_OP_##name, a0, a1, a2, a3, &p0, &p1)) {   \
      SERVE_##kind(r, p0, p1);                                \
    }                                                         \
    return r;                                                 \
  }

/* sincos and sincosf return through pointers. */
#define HOOK_SINCOS_OF(name, type)                          \
  void name(type x, type* s, type* c) {                     \
    static void (*real)(type, type*, type*);                \
    if (real == NULL) *(void**)&real = real_function(#name); \
    ++depth;                                                \
    real(x, s, c);                                          \
    --depth;                                                \
    double p0 = *s, p1 = *c;                                \
    if (report(TAPE_OP_##name, x, 0, 0, 0, &p0, &p1)) {     \
      *s = (type)p0;                                        \
      *c = (type)p1;                                        \
    }                                                       \
  }

/* A served answer into the return value: a real one, or a complex one. */
#define SERVE_real(r, p0, p1) r = p0
#define SERVE_complex(r, p0, p1) __real__ r = p0, __imag__ r = p1

/* One hook per signature class. */
#define HOOK_D_D(name) HOOK(name, double, real, (double x), (x), x, 0, 0, 0, r, 0)
#define HOOK_DD_D(name) HOOK(name, double, real, (double x, double y), (x, y), x, y, 0, 0, r, 0)
#define HOOK_F_F(name) HOOK(name, float, real, (float x), (x), x, 0, 0, 0, r, 0)
#define HOOK_FF_F(name) HOOK(name, float, real, (float x, float y), (x, y), x, y, 0, 0, r, 0)
#define HOOK_SINCOS(name) HOOK_SINCOS_OF(name, double)
#define HOOK_SINCOSF(name) HOOK_SINCOS_OF(name, float)
#define HOOK_Z_Z(name)                                                                     \
  HOOK(name, _Complex double, complex, (_Complex double z), (z), __real__ z, __imag__ z, 0, \
       0, __real__ r, __imag__ r)
#define HOOK_ZZ_Z(name)                                                                     \
  HOOK(name, _Complex double, complex, (_Complex double z, _Complex double w), (z, w),     \
       __real__ z, __imag__ z, __real__ w, __imag__ w, __real__ r, __imag__ r)
#define HOOK_Z_D(name) \
  HOOK(name, double, real, (_Complex double z), (z), __real__ z, __imag__ z, 0, 0, r, 0)

#define TAPE_HOOK(name, sig) HOOK_##sig(name)
TAPE_FUNCTIONS(TAPE_HOOK)
