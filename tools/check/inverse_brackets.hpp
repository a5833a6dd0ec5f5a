// The check of libvarnel-stats that `varnel --check` reports and the tests
// run: each inverse function's result must be where the library's own forward
// function crosses the target, to the last bit. Since that is what defines
// the inverses' bits (see <varnel/stats.h>), it needs no pinned data: on a
// fixed set of targets and parameters, for the result x and prev(x), the next
// number towards minus infinity,
//
//   increasing forward function F (erf, P, I):   F(x) >= t > F(prev(x))
//   decreasing forward function F (erfc, Q, J):  F(x) <= t < F(prev(x))
//
// and at the ends and edges of each domain the documented values (the ends of
// the support, or NaN).
#ifndef VARNEL_TOOLS_CHECK_INVERSE_BRACKETS_HPP
#define VARNEL_TOOLS_CHECK_INVERSE_BRACKETS_HPP

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace varnel::brackets {

// The arguments of one call, in the order of the parameters: (t), (a, t) or
// (a, b, t), the target last.
using Args = std::array<double, 3>;

// One inverse function with its forward function.
struct Inverse {
  const char* name;  // as in <varnel/stats.h>, without the prefix
  int arity;         // 1, 2 or 3 arguments
  bool single;       // binary32 arguments and result (nextafterf for prev)
  int direction;     // +1: the forward function increases, -1: it decreases
  const char* forward_name;
  // F(params, x), params being the arguments before the target.
  double (*forward)(const Args& params, double x);
  // The library's inverse (a test may put another one here).
  double (*inverse)(const Args& args);
};

// The eight functions of libvarnel-stats, in the order of its list.
const std::vector<Inverse>& inverses();

// The fixed points: targets strictly inside the interval, with parameters
// from tiny to large (representable in binary32 for the float versions).
std::vector<Args> points(const Inverse& fn);

// The ends and edges of the domain and the value each must give (NaN: the
// quiet NaN).
struct Edge {
  Args args;
  double value;
};
std::vector<Edge> edges(const Inverse& fn);

// Whether x brackets the target of args; if not, why (one line).
bool brackets(const Inverse& fn, const Args& args, double x, std::string* why);

struct Report {
  std::size_t points = 0;  // fixed points and edges checked
  std::size_t failed = 0;
  std::string first;       // the first failure: the call, its result and why
};
Report check(const Inverse& fn);

// A call as text, "d_igamma_inv(3, 0.05)".
std::string call_text(const Inverse& fn, const Args& args);

}  // namespace varnel::brackets

#endif  // VARNEL_TOOLS_CHECK_INVERSE_BRACKETS_HPP
