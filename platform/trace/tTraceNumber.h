// A number with the base the trace stream shows it in: `trace <<
// inBase(mask, 2)`. Base 10 is plain decimal, 16 is "0x" and upper-case
// digits, any other base is written as "<base>#<digits>".
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename T>
struct tTraceNumber {
  T value;
  uint32_t base;
};

template <typename T>
inline tTraceNumber<T> inBase(T value, uint32_t base) {
  return tTraceNumber<T>{value, base};
}

inline tTraceNumber<uint64_t> inHex(uint64_t value) { return tTraceNumber<uint64_t>{value, 16}; }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
