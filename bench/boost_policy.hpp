// The Boost.Math policy the suite calls its functions with: no exceptions,
// errno left alone, float and double computed in their own precision. The
// inverses are timed with it and with Boost's default policy too.
#ifndef VARNEL_BENCH_BOOST_POLICY_HPP
#define VARNEL_BENCH_BOOST_POLICY_HPP

#include <boost/math/policies/policy.hpp>

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

}  // namespace bench

#endif  // VARNEL_BENCH_BOOST_POLICY_HPP
