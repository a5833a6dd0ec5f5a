/* Replays a tape against the real C mathematics library: the floor of a
 * benchmark row. Each call goes through a pointer to the library's function,
 * as an indirect jump, much as our library reaches it through its procedure
 * linkage table. The calls of one tape do not wait for each other's results
 * (in our functions most do), so the floor is a lower bound. */
#define _GNU_SOURCE
#include <complex.h>
#include <math.h>

#include "tape.h"

enum signature { SIG_D_D, SIG_DD_D, SIG_F_F, SIG_FF_F, SIG_SINCOS, SIG_SINCOSF, SIG_Z_Z, SIG_ZZ_Z, SIG_Z_D };

struct replay_entry {
  enum signature sig;
  void (*function)(void);
};

static const struct replay_entry kReplay[TAPE_OP_COUNT] = {
#define TAPE_ENTRY(name, sig) {SIG_##sig, (void (*)(void))name},
    TAPE_FUNCTIONS(TAPE_ENTRY)
#undef TAPE_ENTRY
};

double tape_replay(const struct tape_call* calls, size_t count) {
  double sum = 0;
  for (size_t k = 0; k < count; ++k) {
    const double* a = calls[k].arg;
    const struct replay_entry* e = &kReplay[calls[k].op];
    switch (e->sig) {
      case SIG_D_D:
        sum += ((double (*)(double))e->function)(a[0]);
        break;
      case SIG_DD_D:
        sum += ((double (*)(double, double))e->function)(a[0], a[1]);
        break;
      case SIG_F_F:
        sum += ((float (*)(float))e->function)((float)a[0]);
        break;
      case SIG_FF_F:
        sum += ((float (*)(float, float))e->function)((float)a[0], (float)a[1]);
        break;
      case SIG_SINCOS: {
        double s, c;
        ((void (*)(double, double*, double*))e->function)(a[0], &s, &c);
        sum += s + c;
        break;
      }
      case SIG_SINCOSF: {
        float s, c;
        ((void (*)(float, float*, float*))e->function)((float)a[0], &s, &c);
        sum += s + c;
        break;
      }
      case SIG_Z_Z: {
        const double complex r = ((double complex (*)(double complex))e->function)(CMPLX(a[0], a[1]));
        sum += creal(r) + cimag(r);
        break;
      }
      case SIG_ZZ_Z: {
        const double complex r = ((double complex (*)(double complex, double complex))e->function)(
            CMPLX(a[0], a[1]), CMPLX(a[2], a[3]));
        sum += creal(r) + cimag(r);
        break;
      }
      case SIG_Z_D:
        sum += ((double (*)(double complex))e->function)(CMPLX(a[0], a[1]));
        break;
    }
  }
  return sum;
}

