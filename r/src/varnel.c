/* The R package's C layer: one .Call entry point per function of
 * <varnel/functions.h> and of <varnel/stats.h>, each handing whole R vectors
 * to the function's array version in libvarnel-c.so.0 (libvarnel-stats.so.0
 * for the inverse functions and the distributions).
 *
 * What R's conventions need and the C interface does not give is done here,
 * in C, so that a long vector costs what the array call costs:
 *   - arguments: double as it is; integer and logical converted (NA kept);
 *     real ones promoted for the complex functions; character, list, NULL,
 *     factors and complex arguments of real functions rejected;
 *   - recycling: an argument of length 1 is passed with increment 0, one of
 *     the result's length with increment 1, in a single array call; any other
 *     length makes the array calls go in blocks over which every argument runs
 *     contiguously, and an argument is copied (a block at a time, into a
 *     buffer on the stack) only when its runs would be shorter than a block;
 *     a length that does not divide the result's gets R's warning;
 *   - NA and NaN: an element with an NA argument gives NA_real_ (NA_complex_);
 *     otherwise one with a NaN argument gives NaN: the library's NaN if it
 *     returned one, else the argument's (the real gamma functions return their
 *     overflow value for NaN). Every other result has the library's bits;
 *   - attributes: those of the longest argument (the first of the longest).
 * The single-precision functions get each argument rounded to binary32 and
 * return their result widened to double, exactly.
 */
#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>

#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <varnel/stats.h>
#include <varnel/varnel.h>

enum { BLOCK = 512 };        /* elements per block when a block is needed */
enum { MIN_RUN = 64 };       /* shorter contiguous runs are copied instead */

/* ---- arguments ----------------------------------------------------------- */

static const char *what(SEXP x) {
  switch (TYPEOF(x)) {
    case NILSXP: return "NULL";
    case STRSXP: return "a character vector";
    case VECSXP: return "a list";
    case CPLXSXP: return "complex";
    default: {
      static char text[64];
      snprintf(text, sizeof text, "an object of type '%s'", type2char(TYPEOF(x)));
      return text;
    }
  }
}

/* The argument as a double vector (a new one for integer and logical). */
static SEXP as_real(SEXP x, const char *arg) {
  if (TYPEOF(x) == REALSXP && !isFactor(x)) return x;
  if ((TYPEOF(x) == INTSXP || TYPEOF(x) == LGLSXP) && !isFactor(x)) return coerceVector(x, REALSXP);
  if (isFactor(x)) error("argument '%s' is a factor, not a number", arg);
  if (TYPEOF(x) == CPLXSXP)
    error("argument '%s' is complex: only z_gamma, z_lngamma and cstirf take complex arguments", arg);
  error("argument '%s' must be numeric (double, integer or logical), not %s", arg, what(x));
  return R_NilValue; /* not reached */
}

static SEXP as_complex(SEXP x, const char *arg) {
  if (TYPEOF(x) == CPLXSXP) return x;
  if (TYPEOF(x) == REALSXP || TYPEOF(x) == INTSXP || TYPEOF(x) == LGLSXP) {
    if (isFactor(x)) error("argument '%s' is a factor, not a number", arg);
    return coerceVector(x, CPLXSXP);
  }
  error("argument '%s' must be complex or numeric, not %s", arg, what(x));
  return R_NilValue;
}

/* The result's length: the longest argument's, 0 if any is empty; R's
 * warning when a length does not divide it. *longest gets the index of the
 * first longest argument. */
static R_xlen_t result_length(int k, const R_xlen_t *len, int *longest) {
  R_xlen_t n = 0;
  *longest = 0;
  for (int a = 0; a < k; ++a)
    if (len[a] > n) n = len[a], *longest = a;
  for (int a = 0; a < k; ++a)
    if (len[a] == 0) return *longest = a, 0; /* no attributes of a longer one */
  for (int a = 0; a < k; ++a)
    if (n % len[a] != 0) {
      warning("longer object length is not a multiple of shorter object length");
      break;
    }
  return n;
}

/* ---- NA and NaN ------------------------------------------------------------ */

/* Whether element 0 .. m-1 of an argument holds a NaN (NA included): a
 * branch-free pass, a fraction of a nanosecond per element. */
static int any_nan(size_t m, const double *p, ptrdiff_t inc) {
  if (inc == 0) return isnan(p[0]) != 0;
  int found = 0;
  for (size_t j = 0; j < m; ++j) found |= p[j] != p[j];
  return found;
}

/* Elements 0 .. m-1 of arguments p[a] (increments inc[a]) against results y:
 * NA wins, then NaN (the library's if it gave one, else the argument's).
 * Arguments without NaN, the usual case, cost one pass each. */
static void fix_nan(size_t m, int k, const double *const *p, const ptrdiff_t *inc, double *y) {
  int found = 0;
  for (int a = 0; a < k; ++a) found |= any_nan(m, p[a], inc[a]);
  if (!found) return;
  for (size_t j = 0; j < m; ++j) {
    int na = 0, nan = 0;
    double first = 0;
    for (int a = 0; a < k; ++a) {
      const double v = p[a][(ptrdiff_t)j * inc[a]];
      if (isnan(v)) {
        if (R_IsNA(v)) na = 1;
        else if (!nan) nan = 1, first = v;
      }
    }
    if (na) y[j] = NA_REAL;
    else if (nan && !isnan(y[j])) y[j] = first;
  }
}

/* ---- blocks over recycled arguments ----------------------------------------- */

/* Calls fn(m, p, inc, y, ctx) over the n results, with p[a] + inc[a]
 * addressing element j of argument a for j < m. One call when every argument
 * has length 1 or n; otherwise blocks, with an argument copied into a buffer
 * only when its contiguous run would be shorter than MIN_RUN. */
typedef void (*block_fn)(size_t m, const double *const *p, const ptrdiff_t *inc, double *y,
                         const void *ctx);

static void over_blocks(R_xlen_t n, int k, const double *const *x, const R_xlen_t *len,
                        block_fn fn, const void *ctx, double *y, R_xlen_t max_block) {
  const double *p[3];
  ptrdiff_t inc[3];
  R_xlen_t off[3] = {0, 0, 0};
  double buf[3][BLOCK];
  int simple = max_block >= n;
  for (int a = 0; a < k; ++a) simple = simple && (len[a] == 1 || len[a] == n);
  if (simple) {
    for (int a = 0; a < k; ++a) p[a] = x[a], inc[a] = len[a] == 1 ? 0 : 1;
    fn((size_t)n, p, inc, y, ctx);
    return;
  }
  for (R_xlen_t i = 0; i < n;) {
    R_xlen_t m = n - i;
    if (m > max_block) m = max_block;
    for (int a = 0; a < k; ++a)
      if (len[a] > 1 && len[a] - off[a] < m && len[a] - off[a] >= MIN_RUN) m = len[a] - off[a];
    if (m > BLOCK) {
      for (int a = 0; a < k; ++a)
        if (len[a] > 1 && len[a] - off[a] < MIN_RUN) m = BLOCK;
    }
    for (int a = 0; a < k; ++a) {
      if (len[a] == 1) {
        p[a] = x[a], inc[a] = 0;
      } else if (len[a] - off[a] >= m) {
        p[a] = x[a] + off[a], inc[a] = 1;
      } else { /* a short run: copy the recycled values (m <= BLOCK here) */
        for (R_xlen_t j = 0, o = off[a]; j < m; ++j, o = o + 1 == len[a] ? 0 : o + 1) buf[a][j] = x[a][o];
        p[a] = buf[a], inc[a] = 1;
      }
    }
    fn((size_t)m, p, inc, y + i, ctx);
    for (int a = 0; a < k; ++a)
      if (len[a] > 1) off[a] = (off[a] + m) % len[a];
    i += m;
  }
}

/* ---- the blocks of each signature --------------------------------------------- */

typedef void (*array_d)(size_t, const double *, ptrdiff_t, double *, ptrdiff_t);
typedef void (*array_dd)(size_t, const double *, ptrdiff_t, const double *, ptrdiff_t, double *,
                         ptrdiff_t);
typedef void (*array_ddd)(size_t, const double *, ptrdiff_t, const double *, ptrdiff_t,
                          const double *, ptrdiff_t, double *, ptrdiff_t);
typedef void (*array_f)(size_t, const float *, ptrdiff_t, float *, ptrdiff_t);
typedef void (*array_di)(size_t, const double *, ptrdiff_t, int, double *, ptrdiff_t);
typedef void (*array_fi)(size_t, const float *, ptrdiff_t, int, float *, ptrdiff_t);

/* The array function and, for the error functions, the selector (INT_MIN:
 * none, a function of x alone; kind is checked to lie within +-INT_MAX). */
typedef void (*any_fn)(void);
struct ctx { any_fn fn; int kind; };

static void block_d(size_t m, const double *const *p, const ptrdiff_t *inc, double *y, const void *c) {
  ((array_d)((const struct ctx *)c)->fn)(m, p[0], inc[0], y, 1);
  fix_nan(m, 1, p, inc, y);
}
static void block_dd(size_t m, const double *const *p, const ptrdiff_t *inc, double *y, const void *c) {
  ((array_dd)((const struct ctx *)c)->fn)(m, p[0], inc[0], p[1], inc[1], y, 1);
  fix_nan(m, 2, p, inc, y);
}
static void block_ddd(size_t m, const double *const *p, const ptrdiff_t *inc, double *y, const void *c) {
  ((array_ddd)((const struct ctx *)c)->fn)(m, p[0], inc[0], p[1], inc[1], p[2], inc[2], y, 1);
  fix_nan(m, 3, p, inc, y);
}
static void block_di(size_t m, const double *const *p, const ptrdiff_t *inc, double *y, const void *c) {
  const struct ctx *cx = c;
  ((array_di)cx->fn)(m, p[0], inc[0], cx->kind, y, 1);
  fix_nan(m, 1, p, inc, y);
}
/* Single precision: the block (m <= BLOCK) rounded to binary32 and back. */
static void block_f(size_t m, const double *const *p, const ptrdiff_t *inc, double *y, const void *c) {
  const struct ctx *cx = c;
  float xf[BLOCK], yf[BLOCK];
  for (size_t j = 0; j < m; ++j) xf[j] = (float)p[0][j * inc[0]];
  if (cx->kind == INT_MIN) ((array_f)cx->fn)(m, xf, 1, yf, 1);
  else ((array_fi)cx->fn)(m, xf, 1, cx->kind, yf, 1);
  for (size_t j = 0; j < m; ++j) y[j] = (double)yf[j];
  fix_nan(m, 1, p, inc, y);
}

/* ---- drivers ---------------------------------------------------------------------- */

/* Functions of one, two or three real arguments (signatures D, DD, DDD, F). */
static SEXP drive_real(int k, SEXP *args, const char *const *names, block_fn fn, any_fn fnptr,
                       int single) {
  SEXP x[3];
  R_xlen_t len[3];
  const double *v[3];
  int longest;
  for (int a = 0; a < k; ++a) {
    x[a] = PROTECT(as_real(args[a], names[a]));
    len[a] = XLENGTH(x[a]);
  }
  const R_xlen_t n = result_length(k, len, &longest);
  SEXP y = PROTECT(allocVector(REALSXP, n));
  if (n > 0) {
    for (int a = 0; a < k; ++a) v[a] = REAL_RO(x[a]);
    struct ctx c = {fnptr, INT_MIN};
    over_blocks(n, k, v, len, fn, &c, REAL(y), single ? BLOCK : n);
  }
  SHALLOW_DUPLICATE_ATTRIB(y, args[longest]);
  UNPROTECT(k + 1);
  return y;
}

/* The error functions: x and the selector kind, both recycled. A single kind
 * goes to the array version with x; a vector of kinds makes one call per
 * element. */
static SEXP drive_calerf(SEXP xs, SEXP kinds, int single, any_fn array_fn,
                         float (*sf)(float, int), double (*df)(double, int)) {
  SEXP x = PROTECT(as_real(xs, "x"));
  SEXP kind = PROTECT(as_real(kinds, "kind"));
  R_xlen_t len[2] = {XLENGTH(x), XLENGTH(kind)};
  const double *xv = REAL_RO(x), *kv = REAL_RO(kind);
  for (R_xlen_t j = 0; j < len[1]; ++j)
    if (!isnan(kv[j]) && (kv[j] != trunc(kv[j]) || kv[j] < -INT_MAX || kv[j] > INT_MAX))
      error("'kind' must be whole numbers in the range of a C int (0: erf, 1: erfc, 2: erfcx), "
            "not %g", kv[j]);
  int longest;
  const R_xlen_t n = result_length(2, len, &longest);
  SEXP y = PROTECT(allocVector(REALSXP, n));
  double *out = REAL(y);
  if (n > 0 && len[1] == 1 && !isnan(kv[0])) {
    struct ctx c = {array_fn, (int)kv[0]};
    over_blocks(n, 1, &xv, len, single ? block_f : block_di, &c, out, single ? BLOCK : n);
  } else if (n > 0) {
    const double *p[2];
    ptrdiff_t inc[2] = {0, 0};
    for (R_xlen_t i = 0, ix = 0, ik = 0; i < n; ++i) {
      const double xi = xv[ix], ki = kv[ik];
      if (isnan(ki)) out[i] = 0;
      else if (single) out[i] = (double)sf((float)xi, (int)ki);
      else out[i] = df(xi, (int)ki);
      p[0] = &xv[ix], p[1] = &kv[ik];
      fix_nan(1, 2, p, inc, out + i);
      if (++ix == len[0]) ix = 0;
      if (++ik == len[1]) ik = 0;
    }
  }
  SHALLOW_DUPLICATE_ATTRIB(y, longest ? kinds : xs);
  UNPROTECT(3);
  return y;
}

typedef void (*array_z)(size_t, const varnel_complex *, ptrdiff_t, varnel_complex *, ptrdiff_t);

/* The complex functions (signature Z): one array call over R's complex
 * vector, whose elements are laid out as C's double _Complex. */
static SEXP drive_complex(SEXP zs, array_z fn) {
  SEXP z = PROTECT(as_complex(zs, "z"));
  const R_xlen_t n = XLENGTH(z);
  SEXP y = PROTECT(allocVector(CPLXSXP, n));
  if (n > 0) {
    const Rcomplex *in = COMPLEX_RO(z);
    Rcomplex *out = COMPLEX(y);
    fn((size_t)n, (const varnel_complex *)(const void *)in, 1, (varnel_complex *)(void *)out, 1);
    for (R_xlen_t j = 0; j < n; ++j) {
      const double re = in[j].r, im = in[j].i;
      if (!isnan(re) && !isnan(im)) continue;
      if (R_IsNA(re) || R_IsNA(im)) out[j].r = out[j].i = NA_REAL;
      else if (!isnan(out[j].r) && !isnan(out[j].i)) out[j].r = out[j].i = isnan(re) ? re : im;
    }
  }
  SHALLOW_DUPLICATE_ATTRIB(y, zs);
  UNPROTECT(2);
  return y;
}

/* ---- one entry point per function, from the list in <varnel/functions.h> ----------- */

static const char *const names_DD[] = {"a", "x"};
static const char *const names_DDD[] = {"a", "b", "x"};
static const char *const names_D[] = {"x"};

#define ENTRY_FI(ns, name)                                                       \
  static SEXP C_##ns##_##name(SEXP x, SEXP kind) {                               \
    return drive_calerf(x, kind, 1, (any_fn)varnel_##ns##_##name##_array, \
                        varnel_##ns##_##name, NULL);                             \
  }
#define ENTRY_DI(ns, name)                                                       \
  static SEXP C_##ns##_##name(SEXP x, SEXP kind) {                               \
    return drive_calerf(x, kind, 0, (any_fn)varnel_##ns##_##name##_array, \
                        NULL, varnel_##ns##_##name);                             \
  }
#define ENTRY_F(ns, name)                                                                  \
  static SEXP C_##ns##_##name(SEXP x) {                                                    \
    return drive_real(1, &x, names_D, block_f, (any_fn)varnel_##ns##_##name##_array, 1); \
  }
#define ENTRY_D(ns, name)                                                                  \
  static SEXP C_##ns##_##name(SEXP x) {                                                    \
    return drive_real(1, &x, names_D, block_d, (any_fn)varnel_##ns##_##name##_array, 0); \
  }
#define ENTRY_DD(ns, name)                                                                 \
  static SEXP C_##ns##_##name(SEXP a, SEXP x) {                                            \
    SEXP args[2] = {a, x};                                                                 \
    return drive_real(2, args, names_DD, block_dd, (any_fn)varnel_##ns##_##name##_array, 0); \
  }
#define ENTRY_DDD(ns, name)                                                                \
  static SEXP C_##ns##_##name(SEXP a, SEXP b, SEXP x) {                                    \
    SEXP args[3] = {a, b, x};                                                              \
    return drive_real(3, args, names_DDD, block_ddd, (any_fn)varnel_##ns##_##name##_array, 0); \
  }
#define ENTRY_Z(ns, name) \
  static SEXP C_##ns##_##name(SEXP z) { return drive_complex(z, varnel_##ns##_##name##_array); }

#define ENTRY(ns, name, sig, meaning) ENTRY_##sig(ns, name)
VARNEL_FUNCTIONS(ENTRY)
#undef ENTRY

/* The inverse functions of libvarnel-stats, from the list in <varnel/stats.h>:
 * the signatures SP, DP, DDP and DDDP are those of F, D, DD and DDD above,
 * their blocks and drivers the same. The target is p, or q for the upper
 * tails (erfc_inv, igamc_inv, ibetac_inv), as the R functions name it. */
static const char *const names_P[] = {"p"};
static const char *const names_Q[] = {"q"};
static const char *const names_AP[] = {"a", "p"};
static const char *const names_AQ[] = {"a", "q"};
static const char *const names_ABP[] = {"a", "b", "p"};
static const char *const names_ABQ[] = {"a", "b", "q"};
#define UPPER(name) (strstr(#name, "c_inv") != NULL)

#define STATS_ENTRY_SP(name)                                                                    \
  static SEXP C_stats_##name(SEXP p) {                                                          \
    return drive_real(1, &p, UPPER(name) ? names_Q : names_P, block_f,                          \
                      (any_fn)varnel_stats_##name##_array, 1);                                  \
  }
#define STATS_ENTRY_DP(name)                                                                    \
  static SEXP C_stats_##name(SEXP p) {                                                          \
    return drive_real(1, &p, UPPER(name) ? names_Q : names_P, block_d,                          \
                      (any_fn)varnel_stats_##name##_array, 0);                                  \
  }
#define STATS_ENTRY_DDP(name)                                                                   \
  static SEXP C_stats_##name(SEXP a, SEXP p) {                                                  \
    SEXP args[2] = {a, p};                                                                      \
    return drive_real(2, args, UPPER(name) ? names_AQ : names_AP, block_dd,                     \
                      (any_fn)varnel_stats_##name##_array, 0);                                  \
  }
#define STATS_ENTRY_DDDP(name)                                                                  \
  static SEXP C_stats_##name(SEXP a, SEXP b, SEXP p) {                                          \
    SEXP args[3] = {a, b, p};                                                                   \
    return drive_real(3, args, UPPER(name) ? names_ABQ : names_ABP, block_ddd,                  \
                      (any_fn)varnel_stats_##name##_array, 0);                                  \
  }
#define STATS_ENTRY(name, sig, meaning) STATS_ENTRY_##sig(name)
VARNEL_STATS_FUNCTIONS(STATS_ENTRY)
#undef STATS_ENTRY

/* The distributions of libvarnel-stats, from the list in <varnel/stats.h>:
 * the signatures XD and XDD are those of DD and DDD above. The argument is x,
 * or the target p of a quantile and q of an isf, then the family's parameters
 * as VARNEL_STATS_FAMILIES names them, except the success probability p of
 * binom and nbinom, called prob since p names the quantile's target: the
 * names of the R functions' arguments, used in the error messages. */
struct family_params { const char *family, *params; };
static const struct family_params families[] = {
#define FAMILY(family, sig, count, params, name) {#family, params},
    VARNEL_STATS_FAMILIES(FAMILY)
#undef FAMILY
};

/* Splits the family's "a, b" into names[1..], after names[0] for the
 * argument; buf holds the copies. */
static void distribution_names(const char *family, const char *op, char buf[2][16],
                               const char *names[3]) {
  names[0] = strcmp(op, "quantile") == 0 ? "p" : strcmp(op, "isf") == 0 ? "q" : "x";
  const char *params = "";
  for (size_t f = 0; f < sizeof families / sizeof families[0]; ++f)
    if (strcmp(families[f].family, family) == 0) params = families[f].params;
  for (int k = 0; k < 2 && *params != '\0'; ++k) {
    size_t len = strcspn(params, ",");
    snprintf(buf[k], sizeof buf[k], "%.*s", (int)len, params);
    names[k + 1] = strcmp(buf[k], "p") == 0 ? "prob" : buf[k];
    params += len;
    params += strspn(params, ", ");
  }
}

static SEXP drive_distribution(const char *family, const char *op, int k, SEXP *args,
                               block_fn fn, any_fn fnptr) {
  char buf[2][16];
  const char *names[3];
  distribution_names(family, op, buf, names);
  return drive_real(k, args, names, fn, fnptr, 0);
}

#define DISTRIBUTION_ENTRY_XD(family, op)                                                  \
  static SEXP C_stats_d_##family##_##op(SEXP x, SEXP a) {                                  \
    SEXP args[2] = {x, a};                                                                 \
    return drive_distribution(#family, #op, 2, args, block_dd,                             \
                              (any_fn)varnel_stats_d_##family##_##op##_array);             \
  }
#define DISTRIBUTION_ENTRY_XDD(family, op)                                                 \
  static SEXP C_stats_d_##family##_##op(SEXP x, SEXP a, SEXP b) {                          \
    SEXP args[3] = {x, a, b};                                                              \
    return drive_distribution(#family, #op, 3, args, block_ddd,                            \
                              (any_fn)varnel_stats_d_##family##_##op##_array);             \
  }
#define DISTRIBUTION_ENTRY(family, op, sig, count) DISTRIBUTION_ENTRY_##sig(family, op)
VARNEL_STATS_DISTRIBUTIONS(DISTRIBUTION_ENTRY)
#undef DISTRIBUTION_ENTRY

/* The seventeen constants, read from the library's objects. */
static SEXP C_constants(void) {
#define COUNT(name, meaning) +1
  const int n = 0 VARNEL_CONSTANTS(COUNT);
#undef COUNT
  SEXP v = PROTECT(allocVector(REALSXP, n));
  SEXP names = PROTECT(allocVector(STRSXP, n));
  int i = 0;
#define SET(name, meaning) \
  REAL(v)[i] = varnel_cephes_##name, SET_STRING_ELT(names, i, mkChar(#name)), ++i;
  VARNEL_CONSTANTS(SET)
#undef SET
  setAttrib(v, R_NamesSymbol, names);
  UNPROTECT(2);
  return v;
}

#define NARGS_FI 2
#define NARGS_DI 2
#define NARGS_F 1
#define NARGS_D 1
#define NARGS_DD 2
#define NARGS_DDD 3
#define NARGS_Z 1
#define NARGS_SP 1
#define NARGS_DP 1
#define NARGS_DDP 2
#define NARGS_DDDP 3

static const R_CallMethodDef call_methods[] = {
#define METHOD(ns, name, sig, meaning) {"C_" #ns "_" #name, (DL_FUNC)&C_##ns##_##name, NARGS_##sig},
    VARNEL_FUNCTIONS(METHOD)
#undef METHOD
#define STATS_METHOD(name, sig, meaning) \
  {"C_stats_" #name, (DL_FUNC)&C_stats_##name, NARGS_##sig},
    VARNEL_STATS_FUNCTIONS(STATS_METHOD)
#undef STATS_METHOD
#define DISTRIBUTION_METHOD(family, op, sig, count) \
  {"C_stats_d_" #family "_" #op, (DL_FUNC)&C_stats_d_##family##_##op, 1 + count},
    VARNEL_STATS_DISTRIBUTIONS(DISTRIBUTION_METHOD)
#undef DISTRIBUTION_METHOD
    {"C_constants", (DL_FUNC)&C_constants, 0},
    {NULL, NULL, 0}};

void R_init_varnel(DllInfo *dll) {
  R_registerRoutines(dll, NULL, call_methods, NULL, NULL);
  R_useDynamicSymbols(dll, FALSE);
  R_forceSymbols(dll, TRUE);
}
