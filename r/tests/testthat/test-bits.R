# Every function's bits against the evaluator: edges (signed zeros,
# infinities, subnormals, poles, the algorithms' thresholds) and random
# arguments over the domain. NaN arguments are the conventions' business.
set.seed(20261208)
lu <- function(n, lo, hi) exp(runif(n, log(lo), log(hi))) # log-uniform
real <- c(0, -0, 5e-324, -5e-324, 1e-310, 1.1e-16, 5.96e-8, 0.46875, 0.5, 1, 2, 4, 9.194, 26.543,
          -26.628, -9.382, 2900, 6.71e7, 2.53e307, 0.6796875, 1.5, 12, 35.04, 171.624, 171.7, -1,
          -2, -0.5, -170.5, 1e300, -1e300, Inf, -Inf, lu(300, 1e-8, 200) * sample(c(-1, 1), 300, TRUE),
          rnorm(100, 0, 3))
shape <- c(1e-300, 0.5, 1, 2, 30, 1e5)
xs <- c(0, -0, -0.1, 1e-20, 0.3, 0.5, 0.9, 1, 1.1, 40, Inf)
grid <- function(...) unname(as.list(expand.grid(..., KEEP.OUT.ATTRS = FALSE)))
igamma <- Map(c, grid(c(0, -1, shape, Inf), xs), list(lu(300, 1e-3, 1e3), lu(300, 1e-4, 2e3)))
ibeta <- function(x_max = 1) Map(c, grid(shape, shape, xs[xs >= 0 & xs < x_max]),
                                 list(lu(250, 0.05, 500), lu(250, 0.05, 500), runif(250, 0, x_max)))
z <- c(0, 1, 2, 0.5, -1, -2, -18, -19, -2.5, 18, 18 + 1i, 140, 150, -1e-10, -3 + 1e-7i, 1e-200i, 1i,
       -1i, Inf, -Inf, complex(real = runif(300, -30, 30), imaginary = runif(300, -30, 30)))
stirling <- c(complex(real = runif(150, 18, 120), imaginary = runif(150, -60, 60)), z[1:20])

cases <- list( # R function, evaluator name, arguments
  list(d_gamma, "d_gamma", list(real)), list(d_lngamma, "d_lngamma", list(real)),
  list(s_gamma, "s_gamma", list(as_float(real))), list(s_lngamma, "s_lngamma", list(as_float(real))),
  list(d_igamma, "d_igamma", igamma), list(d_igamc, "d_igamc", igamma),
  list(cephes_d_ibeta, "cephes::d_ibeta", ibeta()), list(specfun_d_ibeta, "specfun::d_ibeta", ibeta()),
  list(pseries, "pseries", ibeta(0.95)), list(incbcf, "incbcf", ibeta()), list(incbd, "incbd", ibeta()),
  list(z_gamma, "z_gamma", list(z)), list(z_lngamma, "z_lngamma", list(z)),
  list(cstirf, "cstirf", list(stirling)))
for (kind in c(0L, 1L, 2L, 3L, -1L))
  cases <- c(cases, list(list(d_calerf, "d_calerf", list(real, kind)),
                         list(s_calerf, "s_calerf", list(as_float(real), kind))))

test_that("every function has the evaluator's bits", {
  for (case in cases) {
    got <- do.call(case[[1]], case[[3]])
    if (is.complex(got)) {
      want <- evaluator_bits(case[[2]], list(Re(case[[3]][[1]]), Im(case[[3]][[1]])), ncol = 2)
      have <- cbind(bits(Re(got)), bits(Im(got)))
    } else {
      want <- evaluator_bits(case[[2]], lapply(case[[3]], rep_len, length(got)))
      have <- matrix(bits(got, if (startsWith(case[[2]], "s_")) 4 else 8))
    }
    bad <- which(rowSums(have != want) > 0)
    expect(length(bad) == 0, sprintf("%s differs in %d of %d rows, first %d: %s, want %s", case[[2]],
                                     length(bad), nrow(want), bad[1], toString(have[bad[1], ]),
                                     toString(want[bad[1], ])))
  }
})

test_that("a vector of selectors gives the bits of the single ones", {
  expect_identical(d_calerf(rep(real, each = 3), 0:2), c(rbind(erf(real), erfc(real), erfcx(real))))
  expect_identical(s_calerf(rep(real, each = 2), c(0, 2)), c(rbind(s_calerf(real, 0), s_calerf(real, 2))))
})

test_that("the constants have the bits of the library's objects", {
  for (name in c("SQTPI", "LOGPI", "TWOOPI", "THPIO4", "LOGSQ2", "LOGE2", "SQ2OPI", "LOG2E", "SQRTH",
                 "SQRT2", "PIO4", "PIO2", "PI", "D_MAXNUM", "D_MINLOG", "D_MAXLOG", "D_MACHEP")) {
    out <- system2(evaluator(), name, stdout = TRUE)
    expect_identical(bits(getExportedValue("varnel", name)), sub(".*bits 0x", "", out[2]), label = name)
  }
})
