/* Tapes of the elementary-function calls that a function makes.
 *
 * The floor of a benchmark row is the time of the C mathematics library calls
 * that our function makes for the row's arguments, without any of its own
 * arithmetic. A recorder program defines the library's symbols itself, so
 * that our shared library's calls reach it first; it forwards each call to the
 * real function and writes the function and its arguments to a tape. The
 * benchmark replays the tape against the real functions.
 *
 * TAPE_FUNCTIONS lists every function that can be recorded, with its
 * signature class; the recorder's hooks, the replay table and the names all
 * come from this one list. The performance report checks that it covers every
 * mathematics function our library imports. */
#ifndef VARNEL_BENCH_TAPE_H
#define VARNEL_BENCH_TAPE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Signature classes: D double, F float, Z complex double. */
#define TAPE_FUNCTIONS(X)                                                   \
  X(exp, D_D) X(expm1, D_D) X(exp2, D_D) X(log, D_D) X(log1p, D_D)         \
  X(log2, D_D) X(log10, D_D) X(sin, D_D) X(cos, D_D) X(tan, D_D)           \
  X(asin, D_D) X(acos, D_D) X(atan, D_D) X(sinh, D_D) X(cosh, D_D)         \
  X(tanh, D_D) X(sqrt, D_D) X(cbrt, D_D) X(floor, D_D) X(ceil, D_D)        \
  X(trunc, D_D) X(round, D_D) X(rint, D_D) X(nearbyint, D_D)               \
  X(pow, DD_D) X(atan2, DD_D) X(hypot, DD_D) X(fmod, DD_D)                 \
  X(sincos, SINCOS)                                                         \
  X(expf, F_F) X(expm1f, F_F) X(logf, F_F) X(log1pf, F_F) X(sinf, F_F)     \
  X(cosf, F_F) X(sqrtf, F_F) X(floorf, F_F) X(truncf, F_F)                 \
  X(powf, FF_F)                                                             \
  X(sincosf, SINCOSF)                                                       \
  X(cexp, Z_Z) X(clog, Z_Z) X(csin, Z_Z) X(ccos, Z_Z) X(csqrt, Z_Z)        \
  X(cpow, ZZ_Z)                                                             \
  X(cabs, Z_D) X(carg, Z_D)

enum tape_op {
#define TAPE_ENUM(name, sig) TAPE_OP_##name,
  TAPE_FUNCTIONS(TAPE_ENUM)
#undef TAPE_ENUM
  TAPE_OP_COUNT
};

/* One call: the function and up to four double arguments (a complex argument
 * takes two; float arguments are stored widened, which is exact). */
struct tape_call {
  int32_t op;
  double arg[4];
};

/* Recorder side (tape_hooks.c): while recording is on, every call through a
 * hook is passed to the sink after the real function has returned. */
typedef void (*tape_sink)(const struct tape_call* call);
void tape_set_sink(tape_sink sink);

/* The same calls with the answers the real function gave (a complex answer,
 * or sincos's sine and cosine, in two parts; else the second part is 0), for
 * checks of what the C library answered. Independent of the sink above. */
typedef void (*tape_answer_sink)(const struct tape_call* call, double answer0, double answer1);
void tape_set_answer_sink(tape_answer_sink sink);

/* A source of answers in place of the real function's: when set, every call
 * (after the sinks have heard the real answers) asks it, and if it returns
 * nonzero the call returns its answer0 and answer1 (the two parts as above)
 * instead. The characterisation check serves the answers of the C library
 * that pinned the bits this way. */
typedef int (*tape_answer_source)(const struct tape_call* call, double* answer0, double* answer1);
void tape_set_answer_source(tape_answer_source source);

/* Replay side (tape_replay.c): makes the calls of calls[0..count) against the
 * real functions and returns a sum of their results, so that none of them can
 * be left out. */
double tape_replay(const struct tape_call* calls, size_t count);

#ifdef __cplusplus
}
#endif

#endif
