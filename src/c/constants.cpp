// The C constants of libvarnel-c, defined from the same compile-time values
// as the C++ ones of libvarnel.so.0 (constant_values.hpp): each is its own
// read-only object here, holding the very same bits.
#include "constant_values.hpp"
#include "varnel/varnel.h"

#define VARNEL_C_CONSTANT(name, value) \
  extern "C" VARNEL_C_API const double varnel_cephes_##name = value;
VARNEL_CONSTANT_VALUES(VARNEL_C_CONSTANT)
#undef VARNEL_C_CONSTANT
