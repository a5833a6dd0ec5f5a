# Every function is one .Call of its entry point in src/varnel.c, which
# checks, converts and recycles the arguments and hands whole vectors to the
# function's array version in libvarnel-c.so.0 (libvarnel-stats.so.0 for the
# inverse functions).

# Error functions: kind 0 erf(x), 1 erfc(x), 2 exp(x^2) erfc(x).
s_calerf <- function(x, kind) .Call(C_specfun_s_calerf, x, kind)
d_calerf <- function(x, kind) .Call(C_specfun_d_calerf, x, kind)
erf <- function(x) .Call(C_specfun_d_calerf, x, 0L)
erfc <- function(x) .Call(C_specfun_d_calerf, x, 1L)
erfcx <- function(x) .Call(C_specfun_d_calerf, x, 2L)

# Real gamma and log-gamma.
s_gamma <- function(x) .Call(C_specfun_s_gamma, x)
d_gamma <- function(x) .Call(C_specfun_d_gamma, x)
s_lngamma <- function(x) .Call(C_specfun_s_lngamma, x)
d_lngamma <- function(x) .Call(C_specfun_d_lngamma, x)

# Complex gamma and log-gamma.
cstirf <- function(z) .Call(C_cephes_cstirf, z)
z_gamma <- function(z) .Call(C_cephes_z_gamma, z)
z_lngamma <- function(z) .Call(C_cephes_z_lngamma, z)

# Regularised incomplete gamma functions.
d_igamma <- function(a, x) .Call(C_cephes_d_igamma, a, x)
d_igamc <- function(a, x) .Call(C_cephes_d_igamc, a, x)

# Incomplete beta functions and the building blocks of cephes_d_ibeta.
specfun_d_ibeta <- function(a, b, x) .Call(C_specfun_d_ibeta, a, b, x)
cephes_d_ibeta <- function(a, b, x) .Call(C_cephes_d_ibeta, a, b, x)
pseries <- function(a, b, x) .Call(C_cephes_pseries, a, b, x)
incbcf <- function(a, b, x) .Call(C_cephes_incbcf, a, b, x)
incbd <- function(a, b, x) .Call(C_cephes_incbd, a, b, x)

# The inverse functions of libvarnel-stats, under their C names without the
# prefix varnel_stats_ (as the others have theirs without varnel_<ns>_): each
# result is where the forward function above crosses the target, to the bit.
d_erf_inv <- function(p) .Call(C_stats_d_erf_inv, p)
s_erf_inv <- function(p) .Call(C_stats_s_erf_inv, p)
d_erfc_inv <- function(q) .Call(C_stats_d_erfc_inv, q)
s_erfc_inv <- function(q) .Call(C_stats_s_erfc_inv, q)
d_igamma_inv <- function(a, p) .Call(C_stats_d_igamma_inv, a, p)
d_igamc_inv <- function(a, q) .Call(C_stats_d_igamc_inv, a, q)
d_ibeta_inv <- function(a, b, p) .Call(C_stats_d_ibeta_inv, a, b, p)
d_ibetac_inv <- function(a, b, q) .Call(C_stats_d_ibetac_inv, a, b, q)

# The seventeen constants: placeholders here, given the bits of the
# library's objects (varnel_cephes_PI, ...) when the namespace is loaded.
SQTPI <- LOGPI <- TWOOPI <- THPIO4 <- LOGSQ2 <- LOGE2 <- SQ2OPI <- LOG2E <-
  SQRTH <- SQRT2 <- PIO4 <- PIO2 <- PI <- D_MAXNUM <- D_MINLOG <- D_MAXLOG <-
  D_MACHEP <- NULL

.onLoad <- function(libname, pkgname) {
  ns <- topenv()
  values <- .Call(C_constants)
  for (name in names(values)) assign(name, values[[name]], envir = ns)
}
