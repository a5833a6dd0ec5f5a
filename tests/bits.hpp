// Bit patterns of floating-point values, shared by every test and the fuzz
// harness.
#ifndef VARNEL_TESTS_BITS_HPP
#define VARNEL_TESTS_BITS_HPP

#include <cstdint>
#include <cstring>

namespace varnel::test {

inline uint64_t bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}
inline uint32_t bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}
inline double from_bits(uint64_t b) {
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}
inline float from_bits32(uint32_t b) {
  float v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

}  // namespace varnel::test

#endif  // VARNEL_TESTS_BITS_HPP
