from typing import Final

import numpy as np

from . import stats as stats

__version__: Final[str]

erf: np.ufunc
erfc: np.ufunc
erfcx: np.ufunc
calerf: np.ufunc
gamma: np.ufunc
gammaln: np.ufunc
loggamma: np.ufunc
gammainc: np.ufunc
gammaincc: np.ufunc
betainc: np.ufunc
betainc_cf: np.ufunc
pseries: np.ufunc
incbcf: np.ufunc
incbd: np.ufunc
cstirf: np.ufunc
erfinv: np.ufunc
erfcinv: np.ufunc
gammaincinv: np.ufunc
gammainccinv: np.ufunc
betaincinv: np.ufunc
betainccinv: np.ufunc

def set_num_threads(n: int, /) -> None: ...
def get_num_threads() -> int: ...

SQTPI: Final[float]
LOGPI: Final[float]
TWOOPI: Final[float]
THPIO4: Final[float]
LOGSQ2: Final[float]
LOGE2: Final[float]
SQ2OPI: Final[float]
LOG2E: Final[float]
SQRTH: Final[float]
SQRT2: Final[float]
PIO4: Final[float]
PIO2: Final[float]
PI: Final[float]
D_MAXNUM: Final[float]
D_MINLOG: Final[float]
D_MAXLOG: Final[float]
D_MACHEP: Final[float]

UFUNCS: Final[tuple[str, ...]]
CONSTANTS: Final[tuple[str, ...]]
__all__: list[str]
