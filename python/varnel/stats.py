"""Nine probability distributions of libvarnel-stats as NumPy ufuncs.

One ufunc per family and operation, named ``<family>_<operation>``:

==========  =====================  ==========================================
family      parameters             operations
==========  =====================  ==========================================
``norm``    mu, sigma              pdf, logpdf, cdf, sf, ppf, isf
``chi2``    k                      pdf, logpdf, cdf, sf, ppf, isf
``gamma``   shape, scale           pdf, logpdf, cdf, sf, ppf, isf
``beta``    a, b                   pdf, logpdf, cdf, sf, ppf, isf
``t``       nu                     pdf, logpdf, cdf, sf, ppf, isf
``f``       d1, d2                 pdf, logpdf, cdf, sf, ppf, isf
``poisson`` lambda                 pmf, logpmf, cdf, sf, ppf, isf
``binom``   n, p                   pmf, logpmf, cdf, sf, ppf, isf
``nbinom``  r, p                   pmf, logpmf, cdf, sf, ppf, isf
==========  =====================  ==========================================

for example ``chi2_sf(x, k)`` or ``norm_ppf(p, mu, sigma)``. The argument
comes first, then the parameters, all positional (ufuncs take no keyword
arguments for their inputs, so the normal and gamma families have no default
location or scale: write ``norm_cdf(x, 0, 1)``). Everything broadcasts; the
result is float64. ``ppf`` is the quantile of a lower-tail probability,
``isf`` that of an upper-tail one, each where this package's own ``cdf`` or
``sf`` crosses it, so a probability and its quantile never disagree.

Each family also has a namespace with the same six ufuncs as attributes:
``chi2.sf is chi2_sf``.

Each element is one call of ``varnel_stats_d_<family>_<operation>`` of
libvarnel-stats.so.0 (C names use ``chisq`` and ``quantile``); evenly strided
chunks go to its array version. Warnings: a NaN argument passes silently; an
infinite result from finite arguments (an infinite end of the support from
ppf or isf, a density's pole, the logarithm of a zero density) warns
"divide"; a NaN from arguments none of which is NaN (a parameter outside its
domain, a probability outside [0, 1]) warns "invalid".
"""

from . import _varnel


class Family:
    """The six ufuncs of one distribution family as attributes."""

    __slots__ = ("_name", "_description", "_parameters", "_operations", "__dict__")

    def __init__(self, name, description, parameters, ufuncs):
        object.__setattr__(self, "_name", name)
        object.__setattr__(self, "_description", description)
        object.__setattr__(self, "_parameters", parameters)
        operations = tuple(u.__name__[len(name) + 1:] for u in ufuncs)
        object.__setattr__(self, "_operations", operations)
        for operation, ufunc in zip(operations, ufuncs):
            self.__dict__[operation] = ufunc

    def __setattr__(self, name, value):
        raise AttributeError(f"varnel.stats.{self._name} is read-only")

    def __dir__(self):
        return list(self._operations)

    def __repr__(self):
        return (f"<varnel.stats.{self._name}: the {self._description} distribution "
                f"({self._parameters}); {', '.join(self._operations)}>")


UFUNCS = ()
FAMILIES = ()
for _name, _description, _parameters, _ufunc_names in _varnel._stats_families:
    _ufuncs = tuple(getattr(_varnel, n) for n in _ufunc_names)
    globals().update(zip(_ufunc_names, _ufuncs))
    globals()[_name] = Family(_name, _description, _parameters, _ufuncs)
    UFUNCS += _ufunc_names
    FAMILIES += (_name,)
del _name, _description, _parameters, _ufunc_names, _ufuncs

__all__ = list(FAMILIES + UFUNCS)
