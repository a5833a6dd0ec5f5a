"""Special functions of libvarnel as NumPy ufuncs.

Every function is a true ``numpy.ufunc``: it broadcasts, takes ``out=``,
``where=`` and ``dtype=``, works on strided views, 0-d and empty arrays, and
on Dask arrays (lazily, through NumPy's ufunc protocol). Each element is one
call of the library's exported function, so results have the same bits as a
C++ program calling libvarnel.so.0 (and libvarnel-stats.so.0 for the inverse
functions erfinv, erfcinv, gammaincinv, gammainccinv, betaincinv and
betainccinv, each exactly where its forward function here crosses the
target).

Types: float32 stays float32 and uses the library's single-precision
algorithm; float16 is computed as float32; float64, integers and booleans as
float64; complex64 as complex128. Functions the library has in double
precision only return float64.

Large arrays are shared among threads (``set_num_threads``, or the
``VARNEL_NUM_THREADS`` environment variable; by default the cores this
process may run on); the bits and NumPy's floating-point warnings do not
depend on the number of threads.

The probability distributions (norm, chi2, gamma, beta, t, f, poisson, binom,
nbinom: pdf or pmf, logpdf or logpmf, cdf, sf, ppf, isf) are in the submodule
``varnel.stats``.
"""

from ._varnel import (  # noqa: F401
    __version__,
    betainc,
    betainc_cf,
    betainccinv,
    betaincinv,
    calerf,
    cstirf,
    erf,
    erfc,
    erfcinv,
    erfcx,
    erfinv,
    gamma,
    gammainc,
    gammaincc,
    gammainccinv,
    gammaincinv,
    gammaln,
    get_num_threads,
    incbcf,
    incbd,
    loggamma,
    pseries,
    set_num_threads,
    D_MACHEP,
    D_MAXLOG,
    D_MAXNUM,
    D_MINLOG,
    LOG2E,
    LOGE2,
    LOGPI,
    LOGSQ2,
    PI,
    PIO2,
    PIO4,
    SQ2OPI,
    SQRT2,
    SQRTH,
    SQTPI,
    THPIO4,
    TWOOPI,
)
from . import stats  # noqa: F401

UFUNCS = ("erf", "erfc", "erfcx", "calerf", "gamma", "gammaln", "loggamma",
          "gammainc", "gammaincc", "betainc", "betainc_cf", "pseries", "incbcf",
          "incbd", "cstirf", "erfinv", "erfcinv", "gammaincinv", "gammainccinv",
          "betaincinv", "betainccinv")
CONSTANTS = ("SQTPI", "LOGPI", "TWOOPI", "THPIO4", "LOGSQ2", "LOGE2", "SQ2OPI",
             "LOG2E", "SQRTH", "SQRT2", "PIO4", "PIO2", "PI", "D_MAXNUM",
             "D_MINLOG", "D_MAXLOG", "D_MACHEP")

__all__ = list(UFUNCS + CONSTANTS) + ["set_num_threads", "get_num_threads"]
