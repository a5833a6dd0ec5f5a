// The exported constants, defined from the one list of their values that the
// C interface shares (constant_values.hpp).
#include "constant_values.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {

#define VARNEL_DEFINE_CONSTANT(name, value) const double name = value;
VARNEL_CONSTANT_VALUES(VARNEL_DEFINE_CONSTANT)
#undef VARNEL_DEFINE_CONSTANT

}  // namespace varnel::cephes
