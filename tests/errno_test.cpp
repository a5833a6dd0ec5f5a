// No exported function changes the caller's errno, although the mathematics
// library underneath sets it on overflow, underflow, poles and domain errors.
// Each family feeds its edge inputs with errno preset to a marker.
#include <gtest/gtest.h>

#include <cerrno>
#include <complex>
#include <functional>
#include <limits>
#include <vector>

#include "varnel/varnel.hpp"

namespace {

namespace sf = varnel::specfun;
namespace ce = varnel::cephes;

constexpr int kMarker = 12345;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kInfF = std::numeric_limits<float>::infinity();
constexpr float kNaNF = std::numeric_limits<float>::quiet_NaN();

const std::vector<double> kDoubleEdges = {
    0.0,  -0.0,   1e-320, -5e-324, 2.2e-308, 1e-300, -1e-300, 0.5,   -0.5,
    -1.0, -2.0,   1.0,    2.0,     11.0,     12.0,   171.624, 171.625, 180.0,
    -170.5, -171.5, 1e10, -1e10,   1e300,    -1e300, kInf,    -kInf, kNaN,
    700.0, 710.0, -26.7, 27.0, 2.6e305};
const std::vector<float> kFloatEdges = {
    0.0f,   -0.0f,  1e-45f, -1e-39f, 1.176e-38f, 1e-30f, 0.5f,  -0.5f,
    -1.0f,  1.0f,   12.0f,  35.04f,  35.05f,     -33.5f, -34.5f, 1e30f,
    -1e30f, kInfF,  -kInfF, kNaNF,   -9.39f,     10.0f,  4.1e36f};

// Runs `call` with errno preset and reports whether errno came back intact.
void expect_errno_kept(const std::function<void()>& call, const std::string& what) {
  errno = kMarker;
  call();
  EXPECT_EQ(errno, kMarker) << what;
}

TEST(Errno, GammaKeepsErrno) {
  for (double x : kDoubleEdges) {
    expect_errno_kept([x] { (void)sf::d_gamma(x); }, "d_gamma(" + std::to_string(x) + ")");
  }
  for (float x : kFloatEdges) {
    expect_errno_kept([x] { (void)sf::s_gamma(x); }, "s_gamma(" + std::to_string(x) + ")");
  }
}

TEST(Errno, LnGammaKeepsErrno) {
  for (double x : kDoubleEdges) {
    expect_errno_kept([x] { (void)sf::d_lngamma(x); }, "d_lngamma(" + std::to_string(x) + ")");
  }
  for (float x : kFloatEdges) {
    expect_errno_kept([x] { (void)sf::s_lngamma(x); }, "s_lngamma(" + std::to_string(x) + ")");
  }
}

}  // namespace
