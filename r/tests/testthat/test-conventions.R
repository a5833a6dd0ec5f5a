# R's conventions: recycling, attributes, NA and NaN, argument types, empty
# and bad arguments. Each function of one varying argument:
real_functions <- list(d_gamma, s_gamma, d_lngamma, s_lngamma, erf, erfc, erfcx,
                       function(x) d_calerf(x, 1), function(x) s_calerf(x, 2),
                       function(x) d_igamma(2, x), function(x) d_igamc(x, 2),
                       function(x) cephes_d_ibeta(2, x, 0.3), function(x) specfun_d_ibeta(x, 3, 0.4),
                       function(x) pseries(2, 3, x), function(x) incbcf(x, 2, 0.5),
                       function(x) incbd(2, x, 0.5))
complex_functions <- list(z_gamma, z_lngamma, cstirf)
one_by_one <- function(f, ...) { # f element by element, recycled by hand
  args <- list(...)
  vapply(seq_len(max(lengths(args))), function(i) do.call(f, lapply(args, function(v) v[(i - 1) %% length(v) + 1])), 0)
}

test_that("arguments are recycled, with R's warning for a length that does not divide", {
  set.seed(1)
  a <- runif(1000, 0.1, 20); b <- runif(7, 0.1, 20); x <- runif(300)
  expect_identical(suppressWarnings(cephes_d_ibeta(a, b, x)), one_by_one(cephes_d_ibeta, a, b, x))
  expect_identical(d_igamma(a[1:100], rep(x, 10)), one_by_one(d_igamma, a[1:100], rep(x, 10)))
  expect_identical(d_igamc(2, x), one_by_one(d_igamc, 2, x))
  expect_identical(s_gamma(x), one_by_one(s_gamma, x))
  expect_identical(d_calerf(x[1:6], 0:1), one_by_one(d_calerf, x[1:6], 0:1))
  expect_warning(d_igamma(1:3, 1:2), "longer object length is not a multiple of shorter object length")
  expect_warning(s_calerf(1:3, 0:1), "not a multiple")
  expect_silent(d_igamma(1:4, 1:2))
})

test_that("the result has the attributes of the longest argument", {
  m <- matrix(1:6, 2, dimnames = list(c("a", "b"), NULL))
  expect_identical(attributes(d_igamma(2, m)), attributes(m))
  expect_identical(attributes(s_calerf(m, 1)), attributes(m))
  expect_identical(dim(z_gamma(m)), dim(m))
  expect_null(names(cephes_d_ibeta(c(p = 1, q = 2), 2, c(0.1, 0.2, 0.3, 0.4))))
  expect_identical(names(d_calerf(0.5, c(u = 0, v = 1))), c("u", "v"))
})

test_that("NA gives NA and NaN gives NaN, in every function", {
  for (f in real_functions) {
    got <- f(c(NA, NaN, NA_integer_, 1))
    expect_identical(c(is.na(got) & !is.nan(got), is.nan(got)), c(TRUE, FALSE, TRUE, FALSE, FALSE, TRUE, FALSE, FALSE))
  }
  expect_true(is.nan(d_igamma(NaN, 1)) && is.na(d_igamma(NaN, NA)) && !is.nan(d_igamma(NaN, NA)))
  expect_true(is.nan(d_calerf(1, NaN)) && !is.nan(s_calerf(1, NA)) && is.na(s_calerf(1, NA)))
  for (f in complex_functions) {
    got <- f(c(complex(real = NA, imaginary = 1), complex(real = 1, imaginary = NaN), NA, 20 + 1i))
    expect_identical(c(is.na(got), is.nan(got)), c(TRUE, TRUE, TRUE, FALSE, FALSE, TRUE, FALSE, FALSE))
  }
})

test_that("integer and logical arguments are taken as doubles, reals as complex", {
  expect_identical(d_igamma(2L, 3L), d_igamma(2, 3))
  expect_identical(d_gamma(c(TRUE, FALSE)), d_gamma(c(1, 0)))
  expect_identical(z_gamma(c(2L, 3L)), z_gamma(c(2 + 0i, 3 + 0i)))
  expect_identical(z_lngamma(2.5), z_lngamma(2.5 + 0i))
  expect_identical(erfc(TRUE), d_calerf(1, TRUE))
})

test_that("empty arguments give empty results", {
  for (f in real_functions) expect_identical(f(numeric(0)), numeric(0))
  for (f in complex_functions) expect_identical(f(complex(0)), complex(0))
  expect_identical(d_igamma(numeric(0), matrix(1:4, 2)), numeric(0))
  expect_identical(s_calerf(1:3, integer(0)), numeric(0))
})

test_that("character, list, NULL, factor and complex arguments are errors", {
  for (f in real_functions) {
    expect_error(f("1"), "must be numeric .*, not a character vector")
    expect_error(f(list(1)), "not a list")
    expect_error(f(NULL), "not NULL")
    expect_error(f(factor(1)), "is a factor")
    expect_error(f(1i), "is complex")
  }
  for (f in complex_functions) expect_error(f("1"), "must be complex or numeric, not a character vector")
  expect_error(d_calerf(1, 0.5), "'kind' must be whole numbers")
  expect_error(d_calerf(1, 2^31), "'kind' must be whole numbers")
})

test_that("single precision: each argument rounded to binary32, the result widened", {
  x <- c(0.1, 1 / 3, 1e-40, 3.5e38, 1e39)
  expect_identical(s_gamma(x), s_gamma(as_float(x)))
  expect_identical(as_float(s_lngamma(x)), s_lngamma(x))
  expect_identical(s_calerf(1e39, 1), s_calerf(Inf, 1))
})
