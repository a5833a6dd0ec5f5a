// The exported constants. Each is written as its exact bit pattern in
// hex-float form so that the stored value cannot depend on how a compiler
// rounds a long decimal; the comment gives the decimal that rounds to it.
// The five that the library uses itself take their value from the
// compile-time copies in internal.hpp, so that each is written once.
#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {

const double SQTPI = detail::kSqrt2Pi;            // 2.5066282746310007
const double LOGPI = 0x1.250d048e7a1bdp+0;        // 1.1447298858494002
const double TWOOPI = 0x1.45f306dc9c883p-1;       // 0.6366197723675814
const double THPIO4 = 0x1.2d97c7f3321d2p+1;       // 2.356194490192345
const double LOGSQ2 = 0x1.62e42fefa39efp-2;       // 0.34657359027997264
const double LOGE2 = 0x1.62e42fefa39efp-1;        // 0.6931471805599453
const double SQ2OPI = 0x1.9884533d43651p-1;       // 0.7978845608028654
const double LOG2E = 0x1.71547652b82fep+0;        // 1.4426950408889634
const double SQRTH = 0x1.6a09e667f3bcdp-1;        // 0.7071067811865476
const double SQRT2 = 0x1.6a09e667f3bcdp+0;        // 1.4142135623730951
const double PIO4 = 0x1.921fb54442d18p-1;         // 0.7853981633974483
const double PIO2 = 0x1.921fb54442d18p+0;         // 1.5707963267948966
const double PI = detail::kPi;                    // 3.141592653589793
const double D_MAXNUM = 0x1.fffffffffffffp+1023;  // 1.7976931348623157e308
const double D_MINLOG = detail::kMinLog;          // -708.3964185322641
const double D_MAXLOG = detail::kMaxLog;          // 709.782712893384
const double D_MACHEP = detail::kMachEp;          // 1.1102230246251565e-16

}  // namespace varnel::cephes
