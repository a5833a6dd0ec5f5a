// The C functions of libvarnel-c: one wrapper per exported function, made from
// the list in <varnel/functions.h>. Each passes its arguments on to the C++
// function of libvarnel.so.0 and returns its result untouched, so both give
// the same bits. The parameters and results are the same registers on both
// sides (std::complex<double> travels exactly like double _Complex on x86_64
// and aarch64), so each wrapper compiles to a single jump into libvarnel.so.0
// (tests/c_tail_calls.sh checks the machine code); the C layer costs that one
// jump per call.
//
// The header is included first: defining a function whose parameters or
// result differ from its declaration there is an error for extern "C"
// functions, so the header and the list cannot drift apart.
#include "varnel/varnel.h"
#include "varnel/varnel.hpp"

#define VARNEL_C_WRAPPER(ns, name, sig, meaning)                              \
  extern "C" VARNEL_C_API VARNEL_RESULT_##sig varnel_##ns##_##name VARNEL_PARAMS_##sig { \
    return ::varnel::ns::name VARNEL_ARGS_##sig;                               \
  }
VARNEL_FUNCTIONS(VARNEL_C_WRAPPER)
#undef VARNEL_C_WRAPPER
