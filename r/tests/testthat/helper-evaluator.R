# The reference: the varnel command-line evaluator, a C++ program calling the
# same library. VARNEL_EVALUATOR names it (set by scripts/test-r.sh, which
# also sets VARNEL_REQUIRE_EVALUATOR so that a missing one fails instead of
# skipping); otherwise it is looked for on PATH.
evaluator <- function() {
  path <- Sys.getenv("VARNEL_EVALUATOR", Sys.which("varnel"))
  if (nzchar(path) && file.access(path, 1) == 0) return(path)
  if (nzchar(Sys.getenv("VARNEL_REQUIRE_EVALUATOR"))) stop("no varnel evaluator at '", path, "'")
  skip("no varnel evaluator: set VARNEL_EVALUATOR")
}

# The evaluator's result bits (hex digits) for each row of the argument
# columns: one column for a real result, two (real, imaginary) for a complex one.
evaluator_bits <- function(fun, columns, ncol = 1) {
  text <- lapply(columns, function(v) if (is.integer(v)) as.character(v) else sprintf("%a", v))
  out <- system2(evaluator(), c("--stdin", fun), input = do.call(paste, text), stdout = TRUE)
  stopifnot(length(out) == length(columns[[1]]) + 1)
  fields <- strsplit(out[-1], ",", fixed = TRUE)
  bits <- vapply(fields, function(f) sub("^0x", "", rev(f)[ncol:1]), character(ncol))
  matrix(bits, ncol = ncol, byrow = TRUE)
}

# The bits of R doubles, or of the binary32 values they hold exactly.
bits <- function(x, size = 8) {
  hex <- matrix(as.character(writeBin(as.double(x), raw(), size = size, endian = "big")), size)
  apply(hex, 2, paste, collapse = "")
}
as_float <- function(x) readBin(writeBin(x, raw(), size = 4), "double", length(x), size = 4)
