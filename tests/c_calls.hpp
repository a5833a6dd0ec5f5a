// The C functions of libvarnel-c behind the tests' uniform interface
// (exported_calls.hpp), made from the list in <varnel/functions.h>: for every
// exported function, the call of its C name on the same Args, with the result
// as bit patterns. Tests hold each against the C++ function of the same id.
#ifndef VARNEL_TESTS_C_CALLS_HPP
#define VARNEL_TESTS_C_CALLS_HPP

#include <string>
#include <vector>

#include "exported_calls.hpp"
#include "varnel/varnel.h"

namespace varnel::test {

struct CCall {
  const char* ns;
  const char* name;
  Result (*call)(const Args&);
};

// How each signature of the list takes its parameters from Args, as in
// exported_calls.hpp (a complex argument is d[0] + i d[1]).
#define VARNEL_TEST_ARGS_FI (a.f, a.kind)
#define VARNEL_TEST_ARGS_DI (a.d[0], a.kind)
#define VARNEL_TEST_ARGS_F (a.f)
#define VARNEL_TEST_ARGS_D (a.d[0])
#define VARNEL_TEST_ARGS_DD (a.d[0], a.d[1])
#define VARNEL_TEST_ARGS_DDD (a.d[0], a.d[1], a.d[2])
#define VARNEL_TEST_ARGS_Z (varnel_complex(a.d[0], a.d[1]))

inline const std::vector<CCall>& c_functions() {
  using calls_detail::of;
#define VARNEL_TEST_C_CALL(ns, name, sig, meaning) \
  {#ns, #name, [](const Args& a) { return of(varnel_##ns##_##name VARNEL_TEST_ARGS_##sig); }},
  static const std::vector<CCall> table = {VARNEL_FUNCTIONS(VARNEL_TEST_C_CALL)};
#undef VARNEL_TEST_C_CALL
  return table;
}

// The C function for an id of exported_functions(): the function's name, or
// namespace_name where the name alone is not unique (the two d_ibeta).
inline const CCall* find_c_function(const std::string& id) {
  for (const CCall& c : c_functions()) {
    if (id == std::string(c.ns) + "_" + c.name) return &c;
  }
  for (const CCall& c : c_functions()) {
    if (id == c.name) return &c;
  }
  return nullptr;
}

}  // namespace varnel::test

#endif  // VARNEL_TESTS_C_CALLS_HPP
