// The check of the distributions of libvarnel-stats that `varnel --check`
// reports and the tests run: each quantile and isf must be where the
// family's own cdf and sf cross the target (the pair property of
// <varnel/stats.h>), which needs no pinned data. On a few fixed members of
// each family and targets from 1e-300 to the largest double below 1, with
// prev(x) the next double towards minus infinity (x - 1 for the discrete
// families),
//
//   x = quantile(p):  cdf(x) >= p > cdf(prev(x))
//   y = isf(q):       sf(y) <= q < sf(prev(y))
//
// and the ends: quantile(0) and isf(1) the lower end of the support,
// quantile(1) and isf(0) the upper end, NaN for a parameter outside its
// domain.
#ifndef VARNEL_TOOLS_CHECK_DISTRIBUTION_PAIRS_HPP
#define VARNEL_TOOLS_CHECK_DISTRIBUTION_PAIRS_HPP

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "inverse_brackets.hpp"

namespace varnel::pairs {

// The family's parameters (the second unused for one-parameter families).
using Params = std::array<double, 2>;

struct Family {
  const char* name;  // as in d_<name>_cdf
  int count;         // 1 or 2 parameters
  double (*cdf)(double x, const Params& p);
  double (*sf)(double x, const Params& p);
  // The library's quantile and isf (a test may put others here).
  double (*quantile)(double p, const Params& params);
  double (*isf)(double q, const Params& params);
};

// The nine families, in the order of VARNEL_STATS_FAMILIES.
const std::vector<Family>& families();

// Whether the family of this name (poisson, binom, nbinom) is discrete: its
// quantiles are integers and one step below x is x - 1.
bool discrete(std::string_view family);

// The fixed members of the family, and parameters outside its domain.
std::vector<Params> members(const Family& family);
std::vector<Params> outside(const Family& family);

// The ends of the support of a member: lower, upper.
std::array<double, 2> support(const Family& family, const Params& p);

// Runs every fixed point and end of the family; the report counts calls of
// quantile and isf.
varnel::brackets::Report check(const Family& family);

}  // namespace varnel::pairs

#endif  // VARNEL_TOOLS_CHECK_DISTRIBUTION_PAIRS_HPP
