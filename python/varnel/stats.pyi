"""Types of varnel.stats: nine families, six ufuncs each (stats.py)."""

from typing import Final

import numpy as np

class Family:
    cdf: np.ufunc
    sf: np.ufunc
    ppf: np.ufunc
    isf: np.ufunc

# The two kinds of Family, for the checker only.
class _ContinuousFamily(Family):
    pdf: np.ufunc
    logpdf: np.ufunc

class _DiscreteFamily(Family):
    pmf: np.ufunc
    logpmf: np.ufunc

norm_pdf: np.ufunc
norm_logpdf: np.ufunc
norm_cdf: np.ufunc
norm_sf: np.ufunc
norm_ppf: np.ufunc
norm_isf: np.ufunc
chi2_pdf: np.ufunc
chi2_logpdf: np.ufunc
chi2_cdf: np.ufunc
chi2_sf: np.ufunc
chi2_ppf: np.ufunc
chi2_isf: np.ufunc
gamma_pdf: np.ufunc
gamma_logpdf: np.ufunc
gamma_cdf: np.ufunc
gamma_sf: np.ufunc
gamma_ppf: np.ufunc
gamma_isf: np.ufunc
beta_pdf: np.ufunc
beta_logpdf: np.ufunc
beta_cdf: np.ufunc
beta_sf: np.ufunc
beta_ppf: np.ufunc
beta_isf: np.ufunc
t_pdf: np.ufunc
t_logpdf: np.ufunc
t_cdf: np.ufunc
t_sf: np.ufunc
t_ppf: np.ufunc
t_isf: np.ufunc
f_pdf: np.ufunc
f_logpdf: np.ufunc
f_cdf: np.ufunc
f_sf: np.ufunc
f_ppf: np.ufunc
f_isf: np.ufunc
poisson_pmf: np.ufunc
poisson_logpmf: np.ufunc
poisson_cdf: np.ufunc
poisson_sf: np.ufunc
poisson_ppf: np.ufunc
poisson_isf: np.ufunc
binom_pmf: np.ufunc
binom_logpmf: np.ufunc
binom_cdf: np.ufunc
binom_sf: np.ufunc
binom_ppf: np.ufunc
binom_isf: np.ufunc
nbinom_pmf: np.ufunc
nbinom_logpmf: np.ufunc
nbinom_cdf: np.ufunc
nbinom_sf: np.ufunc
nbinom_ppf: np.ufunc
nbinom_isf: np.ufunc

norm: Final[_ContinuousFamily]
chi2: Final[_ContinuousFamily]
gamma: Final[_ContinuousFamily]
beta: Final[_ContinuousFamily]
t: Final[_ContinuousFamily]
f: Final[_ContinuousFamily]
poisson: Final[_DiscreteFamily]
binom: Final[_DiscreteFamily]
nbinom: Final[_DiscreteFamily]

UFUNCS: Final[tuple[str, ...]]
FAMILIES: Final[tuple[str, ...]]
__all__: list[str]
