# The cost of the R layer: varnel's functions over 10^6 elements against the
# C array call over the same arrays, in one R process (not a test; nothing
# is asserted).
#
#   PKG_CONFIG_PATH=<prefix>/share/pkgconfig Rscript r/bench/bench.R [--lib DIR] [--n N] [--reps R] [--quick]
#
# The baseline is raw.c, compiled here with R CMD SHLIB against the
# libvarnel-c that pkg-config names (the one the package was built against)
# and called through .Call on the same vectors into a result vector
# allocated beforehand. Each repetition times every variant once, in turn,
# so that a busy moment of the machine falls on all alike; the figure is the
# fastest repetition of each, in the thread's CPU time (raw.c's clock), so
# that time spent descheduled on a loaded machine does not count. Every timed
# call follows an untimed gc(), so that the R function's new result vector
# takes memory R has just freed: a vector on fresh pages costs the kernel's
# page faults on first touch, which depend on the machine (on a virtual
# machine up to 50 ns per element of 8 bytes) and which every R function
# returning a new vector pays alike.
args <- commandArgs(trailingOnly = TRUE)
option <- function(name, default) {
  i <- match(name, args)
  if (is.na(i)) default else args[i + 1]
}
quick <- "--quick" %in% args
n <- as.numeric(option("--n", if (quick) 1e5 else 1e6))
reps <- as.integer(option("--reps", if (quick) 3 else 15))
library(varnel, lib.loc = c(option("--lib", NULL), .libPaths()))

here <- dirname(normalizePath(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE))))
build <- tempfile("varnel-bench")
dir.create(build)
invisible(file.copy(file.path(here, "raw.c"), build))
pkg_config <- function(what) system2("pkg-config", c(what, "varnel-c"), stdout = TRUE)
libdir <- pkg_config("--variable=libdir")
status <- system2(file.path(R.home("bin"), "R"), c("CMD", "SHLIB", "-o", file.path(build, "raw.so"),
                                                  file.path(build, "raw.c")),
                  env = c(paste0("PKG_CPPFLAGS='", pkg_config("--cflags"), "'"),
                          paste0("PKG_LIBS='-L", libdir, " -Wl,-rpath,", libdir, " -lvarnel-c'")),
                  stdout = FALSE)
stopifnot(status == 0)
raw <- dyn.load(file.path(build, "raw.so"))

set.seed(1)
a <- runif(n, 0.5, 50); b <- runif(n, 0.5, 50); x <- runif(n, 0, 60); w <- runif(n)
g <- runif(n, -30, 30)
y <- numeric(n)
variants <- list( # name, function, R call, C call
  list("d_igamma", "P(a, x), a in U(0.5, 50), x in U(0, 60)",
       function() d_igamma(a, x), function() .Call(raw$raw_d_igamma, a, x, y)),
  list("cephes_d_ibeta", "I_x(a, b), a, b in U(0.5, 50), x in U(0, 1)",
       function() cephes_d_ibeta(a, b, w), function() .Call(raw$raw_cephes_d_ibeta, a, b, w, y)),
  list("d_gamma", "Gamma(x), x in U(-30, 30): a short call, for comparison",
       function() d_gamma(g), function() .Call(raw$raw_d_gamma, g, y)))

# The same bits both ways, or the comparison means nothing.
for (v in variants) {
  r <- v[[3]]()
  v[[4]]()
  stopifnot(identical(r, y))
}

best <- matrix(Inf, length(variants), 2)
for (rep in seq_len(reps)) {
  for (i in seq_along(variants)) {
    for (j in 1:2) {
      invisible(gc())
      t0 <- .Call(raw$raw_cpu_time)
      variants[[i]][[2 + j]]()
      best[i, j] <- min(best[i, j], .Call(raw$raw_cpu_time) - t0)
    }
  }
}
cat(sprintf("R layer against the C array call, %g elements, fastest of %d interleaved repetitions\n", n, reps))
cat(sprintf("%-15s %12s %12s %9s  %s\n", "function", "R ns/elem", "C ns/elem", "R layer", "arguments"))
for (i in seq_along(variants)) {
  cat(sprintf("%-15s %12.2f %12.2f %+8.1f%%  %s\n", variants[[i]][[1]], 1e9 * best[i, 1] / n,
              1e9 * best[i, 2] / n, 100 * (best[i, 1] / best[i, 2] - 1), variants[[i]][[2]]))
}
