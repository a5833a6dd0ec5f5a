# The inverse functions of libvarnel-stats: the evaluator's bits, each result
# where the package's forward function crosses the target, the ends and edges
# of the domains, and R's conventions (recycling, attributes, NA, types).
set.seed(20261209)
lu <- function(n, lo, hi) exp(runif(n, log(lo), log(hi))) # log-uniform
target <- c(0, -0, 5e-324, 1e-300, 1e-20, 1e-8, 0.05, 0.5, 0.95, 1 - 1e-12, 1 - 2^-53, 1, -0.1, 1.1,
            Inf, -Inf, lu(150, 1e-30, 1), runif(150))
erf_target <- c(target, -target[1:40], -1, 1.5)
erfc_target <- c(target, 2 - target[1:40], 2, 2.5, 2 - 2^-52)
inv_shape <- c(0, -1, 1e-3, 0.5, 1, 3, 30, 1e4, Inf)
grid <- function(...) unname(as.list(expand.grid(..., KEEP.OUT.ATTRS = FALSE)))
inv_gamma <- Map(c, grid(inv_shape, target[1:16]), list(lu(200, 1e-3, 1e3), runif(200)))
inv_beta <- Map(c, grid(inv_shape[-9], inv_shape[3:7], target[1:16]),
                list(lu(150, 0.05, 500), lu(150, 0.05, 500), runif(150)))
as_float <- function(x) readBin(writeBin(x, raw(), size = 4), "double", length(x), size = 4)

inverse_cases <- list( # R function, evaluator name, arguments
  list(d_erf_inv, "d_erf_inv", list(erf_target)),
  list(s_erf_inv, "s_erf_inv", list(as_float(erf_target))),
  list(d_erfc_inv, "d_erfc_inv", list(erfc_target)),
  list(s_erfc_inv, "s_erfc_inv", list(as_float(erfc_target))),
  list(d_igamma_inv, "d_igamma_inv", inv_gamma), list(d_igamc_inv, "d_igamc_inv", inv_gamma),
  list(d_ibeta_inv, "d_ibeta_inv", inv_beta), list(d_ibetac_inv, "d_ibetac_inv", inv_beta))

test_that("every inverse function has the evaluator's bits", {
  for (case in inverse_cases) {
    got <- do.call(case[[1]], case[[3]])
    want <- evaluator_bits(case[[2]], lapply(case[[3]], rep_len, length(got)))
    have <- matrix(bits(got, if (startsWith(case[[2]], "s_")) 4 else 8))
    bad <- which(have != want)
    expect(length(bad) == 0, sprintf("%s differs in %d of %d rows, first %d: %s, want %s", case[[2]],
                                     length(bad), nrow(want), bad[1], have[bad[1]], want[bad[1]]))
  }
})

# The step below x: the next double (or binary32 number) towards -Inf, for
# finite positive and negative x.
below <- function(x, single = FALSE) {
  size <- if (single) 4 else 8
  vapply(x, function(v) {
    if (v == 0) return(if (single) -2^-149 else -5e-324)
    r <- rev(writeBin(v, raw(), size = size, endian = "little"))
    # The magnitude's bit pattern one up (negative v) or down (positive v).
    n <- as.integer(r)
    i <- length(n)
    step <- if (v > 0) -1L else 1L
    repeat {
      n[i] <- n[i] + step
      if (n[i] >= 0L && n[i] <= 255L) break
      n[i] <- if (step < 0) 255L else 0L
      i <- i - 1L
    }
    readBin(rev(as.raw(n)), "double", size = size, endian = "little")
  }, 0)
}

# inverse, forward function of (parameters, x), increasing, single, arguments
crossings <- list(
  list(d_erf_inv, function(x) erf(x), TRUE, FALSE, list(runif(200, -1, 1))),
  list(s_erf_inv, function(x) s_calerf(x, 0), TRUE, TRUE, list(as_float(runif(200, -1, 1)))),
  list(d_erfc_inv, function(x) erfc(x), FALSE, FALSE, list(c(lu(100, 1e-300, 1), runif(100, 0, 2)))),
  list(s_erfc_inv, function(x) s_calerf(x, 1), FALSE, TRUE, list(as_float(runif(200, 0.001, 1.999)))),
  list(d_igamma_inv, function(a, x) d_igamma(a, x), TRUE, FALSE, list(lu(200, 0.01, 1e4), runif(200))),
  list(d_igamc_inv, function(a, x) d_igamc(a, x), FALSE, FALSE, list(lu(200, 0.01, 1e4), lu(200, 1e-200, 1))),
  list(d_ibeta_inv, function(a, b, x) cephes_d_ibeta(a, b, x), TRUE, FALSE,
       list(lu(200, 0.05, 1e3), lu(200, 0.05, 1e3), runif(200))),
  list(d_ibetac_inv, function(a, b, x) cephes_d_ibeta(b, a, 1 - x), FALSE, FALSE,
       list(lu(200, 0.05, 1e3), lu(200, 0.05, 1e3), lu(200, 1e-100, 1))))

test_that("each result is where the forward function crosses the target", {
  for (case in crossings) {
    args <- case[[5]]
    k <- length(args)
    x <- do.call(case[[1]], args)
    t <- args[[k]]
    expect_false(anyNA(x))
    if (anyNA(x)) next
    at_x <- do.call(case[[2]], c(args[-k], list(x)))
    at_below <- do.call(case[[2]], c(args[-k], list(below(x, case[[4]]))))
    ok <- if (case[[3]]) at_x >= t & t > at_below else at_x <= t & t < at_below
    expect(all(ok), sprintf("%d of %d results do not bracket their target, first at %s",
                            sum(!ok), length(ok), toString(vapply(args, `[`, 0, which(!ok)[1]))))
  }
})

test_that("the ends of each interval give the ends of the support, outside NaN", {
  expect_identical(d_erf_inv(c(-1, 1)), c(-Inf, Inf))
  expect_identical(s_erf_inv(c(-1, 1)), c(-Inf, Inf))
  expect_identical(d_erfc_inv(c(0, 2)), c(Inf, -Inf))
  expect_identical(s_erfc_inv(c(0, 2)), c(Inf, -Inf))
  expect_identical(d_igamma_inv(3, c(0, 1)), c(0, Inf))
  expect_identical(d_igamc_inv(3, c(0, 1)), c(Inf, 0))
  expect_identical(d_ibeta_inv(2, 3, c(0, 1)), c(0, 1))
  expect_identical(d_ibetac_inv(2, 3, c(0, 1)), c(1, 0))
  nan <- list(d_erf_inv(c(1.5, -1.5, Inf)), d_erfc_inv(c(-0.5, 2.5)), d_igamma_inv(c(0, -1, 2), c(0.5, 0.5, 1.5)),
              d_igamc_inv(2, -0.1), d_ibeta_inv(c(0, 2), c(2, -1), 0.5), d_ibetac_inv(2, 3, 1.25))
  for (v in nan) expect_true(all(is.nan(v)))
})

test_that("the inverses recycle, keep attributes and pass NA as every function does", {
  a <- lu(12, 0.1, 20); p <- runif(5)
  expect_warning(d_igamma_inv(a, p), "not a multiple")
  one <- vapply(1:12, function(i) d_igamma_inv(a[i], p[(i - 1) %% 5 + 1]), 0)
  expect_identical(suppressWarnings(d_igamma_inv(a, p)), one)
  expect_identical(d_ibetac_inv(2, a, 0.25), vapply(a, function(b) d_ibetac_inv(2, b, 0.25), 0))
  m <- matrix(c(0.1, 0.2, 0.3, 0.4), 2, dimnames = list(c("u", "v"), NULL))
  expect_identical(attributes(d_ibeta_inv(2, 3, m)), attributes(m))
  expect_identical(names(s_erf_inv(c(lo = -0.5, hi = 0.5))), c("lo", "hi"))
  got <- d_igamc_inv(c(NA, 2, NaN, 2), c(0.5, NA, 0.5, NaN))
  expect_identical(is.na(got) & !is.nan(got), c(TRUE, TRUE, FALSE, FALSE))
  expect_true(all(is.nan(got[3:4])))
  expect_identical(d_erf_inv(integer()), numeric())
  expect_identical(d_erfc_inv(TRUE), d_erfc_inv(1))
  expect_identical(d_igamma_inv(2L, 0.5), d_igamma_inv(2, 0.5))
  expect_error(d_erf_inv("0.5"), "argument 'p' must be numeric")
  expect_error(d_igamc_inv(2, list(0.5)), "argument 'q' must be numeric")
  expect_error(d_ibeta_inv(2, 3, 0.5i), "argument 'p' is complex")
})

test_that("the single-precision inverses take their argument rounded to binary32", {
  p <- c(0.1, 1 / 3, 0.7)
  expect_identical(s_erf_inv(p), s_erf_inv(as_float(p)))
  expect_identical(s_erfc_inv(p), s_erfc_inv(as_float(p)))
  expect_identical(as_float(s_erf_inv(p)), s_erf_inv(p)) # results are binary32 values
})
