// Time units and the conversion between them. A conversion walks one unit at
// a time in unsigned 64-bit arithmetic: a step towards smaller units
// multiplies and saturates at the largest value, a step towards larger units
// divides and truncates.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace timeUnit {
constexpr uint32_t kPicoseconds = 0;
constexpr uint32_t kNanoseconds = 1;
constexpr uint32_t kMicroseconds = 2;
constexpr uint32_t kMilliseconds = 3;
constexpr uint32_t kSeconds = 4;
constexpr uint32_t kMinutes = 5;
constexpr uint32_t kHours = 6;
// A deadline whose time-out has not been set carries this unit.
constexpr uint32_t kUnset = 0xEFFFFFFFu;
}  // namespace timeUnit

// A value in a unit that is not one of the seven above is returned as it is.
uint64_t convertTime(uint64_t value, uint32_t fromUnit, uint32_t toUnit);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
