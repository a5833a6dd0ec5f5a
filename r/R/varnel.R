# Every function is one .Call of its entry point in src/varnel.c, which
# checks, converts and recycles the arguments and hands whole vectors to the
# function's array version in libvarnel-c.so.0 (libvarnel-stats.so.0 for the
# inverse functions and the distributions).

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

# The distributions of libvarnel-stats, d_<family>_<op> as in C++: the
# argument (x; the target p of quantile, q of isf) first, then the family's
# parameters; the binomial families' success probability is prob, since p
# names the quantile's target.

# Normal.
d_norm_pdf <- function(x, mu, sigma) .Call(C_stats_d_norm_pdf, x, mu, sigma)
d_norm_logpdf <- function(x, mu, sigma) .Call(C_stats_d_norm_logpdf, x, mu, sigma)
d_norm_cdf <- function(x, mu, sigma) .Call(C_stats_d_norm_cdf, x, mu, sigma)
d_norm_sf <- function(x, mu, sigma) .Call(C_stats_d_norm_sf, x, mu, sigma)
d_norm_quantile <- function(p, mu, sigma) .Call(C_stats_d_norm_quantile, p, mu, sigma)
d_norm_isf <- function(q, mu, sigma) .Call(C_stats_d_norm_isf, q, mu, sigma)

# Chi-square.
d_chisq_pdf <- function(x, k) .Call(C_stats_d_chisq_pdf, x, k)
d_chisq_logpdf <- function(x, k) .Call(C_stats_d_chisq_logpdf, x, k)
d_chisq_cdf <- function(x, k) .Call(C_stats_d_chisq_cdf, x, k)
d_chisq_sf <- function(x, k) .Call(C_stats_d_chisq_sf, x, k)
d_chisq_quantile <- function(p, k) .Call(C_stats_d_chisq_quantile, p, k)
d_chisq_isf <- function(q, k) .Call(C_stats_d_chisq_isf, q, k)

# Gamma.
d_gamma_pdf <- function(x, shape, scale) .Call(C_stats_d_gamma_pdf, x, shape, scale)
d_gamma_logpdf <- function(x, shape, scale) .Call(C_stats_d_gamma_logpdf, x, shape, scale)
d_gamma_cdf <- function(x, shape, scale) .Call(C_stats_d_gamma_cdf, x, shape, scale)
d_gamma_sf <- function(x, shape, scale) .Call(C_stats_d_gamma_sf, x, shape, scale)
d_gamma_quantile <- function(p, shape, scale) .Call(C_stats_d_gamma_quantile, p, shape, scale)
d_gamma_isf <- function(q, shape, scale) .Call(C_stats_d_gamma_isf, q, shape, scale)

# Beta.
d_beta_pdf <- function(x, a, b) .Call(C_stats_d_beta_pdf, x, a, b)
d_beta_logpdf <- function(x, a, b) .Call(C_stats_d_beta_logpdf, x, a, b)
d_beta_cdf <- function(x, a, b) .Call(C_stats_d_beta_cdf, x, a, b)
d_beta_sf <- function(x, a, b) .Call(C_stats_d_beta_sf, x, a, b)
d_beta_quantile <- function(p, a, b) .Call(C_stats_d_beta_quantile, p, a, b)
d_beta_isf <- function(q, a, b) .Call(C_stats_d_beta_isf, q, a, b)

# Student t.
d_t_pdf <- function(x, nu) .Call(C_stats_d_t_pdf, x, nu)
d_t_logpdf <- function(x, nu) .Call(C_stats_d_t_logpdf, x, nu)
d_t_cdf <- function(x, nu) .Call(C_stats_d_t_cdf, x, nu)
d_t_sf <- function(x, nu) .Call(C_stats_d_t_sf, x, nu)
d_t_quantile <- function(p, nu) .Call(C_stats_d_t_quantile, p, nu)
d_t_isf <- function(q, nu) .Call(C_stats_d_t_isf, q, nu)

# F.
d_f_pdf <- function(x, d1, d2) .Call(C_stats_d_f_pdf, x, d1, d2)
d_f_logpdf <- function(x, d1, d2) .Call(C_stats_d_f_logpdf, x, d1, d2)
d_f_cdf <- function(x, d1, d2) .Call(C_stats_d_f_cdf, x, d1, d2)
d_f_sf <- function(x, d1, d2) .Call(C_stats_d_f_sf, x, d1, d2)
d_f_quantile <- function(p, d1, d2) .Call(C_stats_d_f_quantile, p, d1, d2)
d_f_isf <- function(q, d1, d2) .Call(C_stats_d_f_isf, q, d1, d2)

# Poisson.
d_poisson_pdf <- function(x, lambda) .Call(C_stats_d_poisson_pdf, x, lambda)
d_poisson_logpdf <- function(x, lambda) .Call(C_stats_d_poisson_logpdf, x, lambda)
d_poisson_cdf <- function(x, lambda) .Call(C_stats_d_poisson_cdf, x, lambda)
d_poisson_sf <- function(x, lambda) .Call(C_stats_d_poisson_sf, x, lambda)
d_poisson_quantile <- function(p, lambda) .Call(C_stats_d_poisson_quantile, p, lambda)
d_poisson_isf <- function(q, lambda) .Call(C_stats_d_poisson_isf, q, lambda)

# Binomial.
d_binom_pdf <- function(x, n, prob) .Call(C_stats_d_binom_pdf, x, n, prob)
d_binom_logpdf <- function(x, n, prob) .Call(C_stats_d_binom_logpdf, x, n, prob)
d_binom_cdf <- function(x, n, prob) .Call(C_stats_d_binom_cdf, x, n, prob)
d_binom_sf <- function(x, n, prob) .Call(C_stats_d_binom_sf, x, n, prob)
d_binom_quantile <- function(p, n, prob) .Call(C_stats_d_binom_quantile, p, n, prob)
d_binom_isf <- function(q, n, prob) .Call(C_stats_d_binom_isf, q, n, prob)

# Negative binomial (failures before the r-th success).
d_nbinom_pdf <- function(x, r, prob) .Call(C_stats_d_nbinom_pdf, x, r, prob)
d_nbinom_logpdf <- function(x, r, prob) .Call(C_stats_d_nbinom_logpdf, x, r, prob)
d_nbinom_cdf <- function(x, r, prob) .Call(C_stats_d_nbinom_cdf, x, r, prob)
d_nbinom_sf <- function(x, r, prob) .Call(C_stats_d_nbinom_sf, x, r, prob)
d_nbinom_quantile <- function(p, r, prob) .Call(C_stats_d_nbinom_quantile, p, r, prob)
d_nbinom_isf <- function(q, r, prob) .Call(C_stats_d_nbinom_isf, q, r, prob)

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
