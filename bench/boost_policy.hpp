// The Boost.Math policy the suite calls its functions with: no exceptions,
// errno left alone, float and double computed in their own precision. The
// inverses and the distributions are timed with it and with Boost's default
// policy too; `catching` turns what either throws into a NaN, counted.
#ifndef VARNEL_BENCH_BOOST_POLICY_HPP
#define VARNEL_BENCH_BOOST_POLICY_HPP

#include <atomic>
#include <boost/math/policies/policy.hpp>
#include <cstddef>
#include <exception>
#include <limits>

namespace bench {

namespace boost_policies = boost::math::policies;
using BoostPolicy = boost_policies::policy<
    boost_policies::domain_error<boost_policies::ignore_error>,
    boost_policies::pole_error<boost_policies::ignore_error>,
    boost_policies::overflow_error<boost_policies::ignore_error>,
    boost_policies::underflow_error<boost_policies::ignore_error>,
    boost_policies::evaluation_error<boost_policies::ignore_error>,
    boost_policies::rounding_error<boost_policies::ignore_error>, boost_policies::promote_float<false>,
    boost_policies::promote_double<false>>;
inline constexpr BoostPolicy kBoostPolicy;
// As spelt above, for the report.
inline constexpr const char* kBoostPolicyText =
    "policy<domain_error<ignore_error>, pole_error<ignore_error>, overflow_error<ignore_error>, "
    "underflow_error<ignore_error>, evaluation_error<ignore_error>, rounding_error<ignore_error>, "
    "promote_float<false>, promote_double<false>>";

// Boost's default policy throws on domain, evaluation and overflow errors;
// its root finders throw evaluation errors whatever the policy says (in
// 1.74 they raise them with their own default policy). Either way the call's
// result is then NaN, and the exception counted.
inline std::atomic<std::size_t> boost_exception_count{0};

template <typename F>
double catching(F f) {
  try {
    return f();
  } catch (const std::exception&) {
    boost_exception_count.fetch_add(1, std::memory_order_relaxed);
    return std::numeric_limits<double>::quiet_NaN();
  }
}

}  // namespace bench

#endif  // VARNEL_BENCH_BOOST_POLICY_HPP
