// The kernels (see kernel_list.hpp) of one build of incomplete.cpp, in namespace
// VARNEL_ISA_NAMESPACE::arrays::isa: `varnel` for the base instruction set,
// `varnel_avx` for the AVX build (compiled with the token varnel renamed, so
// that none of its inline functions can stand in for the base build's). No
// include guard: dispatch.cpp includes it once per build.
#include "arrays/kernel_list.hpp"

namespace VARNEL_ISA_NAMESPACE::arrays::isa {

VARNEL_ARRAY_KERNELS(VARNEL_DECLARE_ARRAY_KERNEL)

}  // namespace VARNEL_ISA_NAMESPACE::arrays::isa
