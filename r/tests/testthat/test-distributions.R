# The distributions of libvarnel-stats: the evaluator's bits for all 54
# functions over edges (ends and outsides of the supports and domains,
# degenerate members, huge parameters) and random arguments; the argument
# names; R's conventions (recycling, attributes, NA and NaN, types). Expected
# values come from the evaluator only.
set.seed(20261209)
lu <- function(n, lo, hi) exp(runif(n, log(lo), log(hi))) # log-uniform
grid <- function(...) unname(as.list(expand.grid(..., KEEP.OUT.ATTRS = FALSE)))
operations <- c("pdf", "logpdf", "cdf", "sf", "quantile", "isf")
targets <- c(0, -0, 5e-324, 1e-300, 1e-20, 0.025, 0.5, 0.975, 1 - 2^-53, 1, -0.1, 1.1, Inf,
             runif(30), lu(30, 1e-200, 1))
counts <- function(n, lo, hi) floor(lu(n, lo, hi))

# family: the edge values of each parameter (crossed with every point), the
# random parameters (each row with a point drawn from the points), and the
# points x of pdf, logpdf, cdf and sf.
families <- list(
  norm = list(list(c(0, -2, 1e3), c(1, 0.25, 0, -1, Inf)), list(rnorm(80, 0, 10), lu(80, 1e-3, 1e3)),
              c(-Inf, -40, -1, -0, 0, 0.5, 3, 40, Inf, rnorm(40, 0, 5))),
  chisq = list(list(c(0.5, 1, 3, 100, 1e6, 0, -1, Inf)), list(lu(80, 0.05, 1e4)),
               c(-1, 0, 1e-300, 0.5, 1, 3, 30, 1e3, Inf, lu(40, 1e-3, 1e4))),
  gamma = list(list(c(0.1, 1, 3, 1e9, 0), c(1, 2.5, -1)), list(lu(80, 0.05, 1e4), lu(80, 0.01, 100)),
               c(-1, 0, 1e-300, 0.5, 1, 3, 30, 1e3, Inf, lu(40, 1e-3, 1e4))),
  beta = list(list(c(0.5, 1, 2, 30, 0), c(0.5, 1, 3, 1e4)), list(lu(80, 0.05, 500), lu(80, 0.05, 500)),
              c(-0.5, 0, 1e-300, 0.01, 0.3, 0.5, 0.99, 1, 1.5, runif(40))),
  t = list(list(c(0.5, 1, 3, 30, 1e10, 0)), list(lu(80, 0.1, 1e6)),
           c(-Inf, -1e300, -3, -1, -0.5, 0, 0.5, 2, 1e10, Inf, rnorm(40, 0, 4))),
  f = list(list(c(1, 3, 50, 0), c(1, 5, 1e3)), list(lu(80, 0.1, 1e4), lu(80, 0.1, 1e4)),
           c(-1, 0, 1e-300, 0.5, 1, 3, 1e3, 1e300, Inf, lu(40, 1e-3, 1e3))),
  poisson = list(list(c(0, 0.5, 4, 1e3, 1e9, 1e15, -1)), list(lu(80, 0.01, 1e6)),
                 c(-1, 0, 0.5, 1, 3, 4, 10, 1e3, 1e9, Inf, counts(40, 1, 1e4))),
  binom = list(list(c(0, 1, 20, 1e4, 2^53, 2.5, -1), c(0, 1e-6, 0.3, 0.5, 1, 1.5)),
               list(counts(80, 1, 1e6), runif(80)),
               c(-1, 0, 0.5, 1, 3, 10, 20, 1e4, Inf, counts(40, 1, 1e4))),
  nbinom = list(list(c(0.5, 1, 3.5, 1e6, 0), c(1e-3, 0.3, 1, 0)), list(lu(80, 0.1, 1e4), runif(80)),
                c(-1, 0, 0.5, 1, 3, 10, 1e3, Inf, counts(40, 1, 1e4))))

# The argument columns of one operation: every point against the edge
# parameters, then the random parameters each with one point.
arguments <- function(family, op) {
  spec <- families[[family]]
  points <- if (op %in% c("quantile", "isf")) targets else spec[[3]]
  edges <- do.call(grid, c(list(points), spec[[1]]))
  random <- c(list(sample(points, length(spec[[2]][[1]]), TRUE)), spec[[2]])
  Map(c, edges, random)
}

test_that("every distribution function has the evaluator's bits", {
  for (family in names(families)) for (op in operations) {
    name <- paste0("d_", family, "_", op)
    args <- arguments(family, op)
    got <- do.call(getExportedValue("varnel", name), args)
    want <- evaluator_bits(name, args)
    have <- matrix(bits(got))
    bad <- which(have != want)
    expect(length(bad) == 0, sprintf("%s differs in %d of %d rows, first at (%s): %s, want %s", name,
                                     length(bad), nrow(want), toString(vapply(args, `[`, 0, bad[1])),
                                     have[bad[1]], want[bad[1]]))
  }
})

test_that("the arguments are named as the evaluator names the parameters", {
  for (family in names(families)) for (op in operations) {
    name <- paste0("d_", family, "_", op)
    header <- system2(evaluator(), c("--stdin", name), input = character(0), stdout = TRUE)
    expect_identical(paste(names(formals(getExportedValue("varnel", name))), collapse = ","),
                     sub(",result,result_bits$", "", header), label = name)
  }
})

test_that("the printed examples: critical values, intervals, the far tails", {
  hex <- function(x) sprintf("%a", x)
  expect_identical(hex(d_beta_quantile(0.025, 3, 18)), hex(0.032070937185463735))
  expect_identical(hex(d_beta_isf(0.025, 4, 17)), hex(0.37892682654531379))
  expect_identical(d_binom_isf(1e-20, 10000, 4e-5), 16)
  expect_true(d_binom_sf(16, 10000, 4e-5) <= 1e-20 && d_binom_sf(15, 10000, 4e-5) > 1e-20)
  expect_identical(hex(d_t_quantile(1e-300, 3)), hex(-1.0331108360446528e100))
  expect_identical(d_poisson_quantile(d_poisson_cdf(0:20, 4), 4), as.numeric(0:20)) # below cdf = 1
})

test_that("the distributions recycle their argument and parameters", {
  k <- 0:11; n <- c(10, 20, 30); prob <- runif(4)
  one <- vapply(1:12, function(i) d_binom_cdf(k[i], n[(i - 1) %% 3 + 1], prob[(i - 1) %% 4 + 1]), 0)
  expect_identical(d_binom_cdf(k, n, prob), one)
  expect_identical(d_chisq_isf(0.05, 1:5), vapply(1:5, function(df) d_chisq_isf(0.05, df), 0))
  expect_identical(d_norm_quantile(c(0.1, 0.9), 0, c(1, 2, 3, 4)),
                   vapply(1:4, function(i) d_norm_quantile(c(0.1, 0.9)[(i - 1) %% 2 + 1], 0, i), 0))
  expect_warning(d_gamma_cdf(1:3, 1:2, 1), "longer object length is not a multiple")
  expect_identical(d_t_cdf(numeric(0), 3), numeric(0))
  expect_identical(d_f_sf(1, integer(0), 2), numeric(0))
})

test_that("the result has the attributes of the longest argument", {
  m <- matrix(c(0.1, 0.2, 0.3, 0.4), 2, dimnames = list(c("u", "v"), NULL))
  expect_identical(attributes(d_beta_quantile(m, 2, 3)), attributes(m))
  expect_identical(names(d_poisson_sf(3, c(low = 1, high = 10))), c("low", "high"))
})

test_that("NA gives NA and NaN gives NaN, in the argument and in each parameter", {
  for (family in names(families)) for (op in operations) {
    f <- getExportedValue("varnel", paste0("d_", family, "_", op))
    good <- vapply(families[[family]][[2]], `[`, 0, 1)
    point <- if (op %in% c("quantile", "isf")) 0.5 else 1
    for (at in seq_len(length(good) + 1)) {
      args <- as.list(c(point, good))
      args[[at]] <- c(NA, NaN, NA_integer_, args[[at]])
      got <- do.call(f, args)
      expect(identical(is.na(got) & !is.nan(got), c(TRUE, FALSE, TRUE, FALSE)) && is.nan(got[2]) &&
               !is.na(got[4]), sprintf("d_%s_%s, argument %d: %s", family, op, at, toString(got)))
    }
  }
})

test_that("integer and logical arguments are doubles; other types are errors naming the argument", {
  expect_identical(d_binom_pdf(3L, 10L, 0.5), d_binom_pdf(3, 10, 0.5))
  expect_identical(d_poisson_cdf(TRUE, 2L), d_poisson_cdf(1, 2))
  expect_error(d_chisq_isf("0.05", 3), "argument 'q' must be numeric")
  expect_error(d_binom_quantile(0.5, 10, "0.3"), "argument 'prob' must be numeric")
  expect_error(d_gamma_cdf(1, list(2), 1), "argument 'shape' must be numeric")
  expect_error(d_nbinom_sf(1, 2, factor(1)), "argument 'prob' is a factor")
  expect_error(d_f_pdf(1, 2, 3i), "argument 'd2' is complex")
  expect_error(d_norm_quantile(NULL, 0, 1), "argument 'p' must be numeric .*, not NULL")
})
