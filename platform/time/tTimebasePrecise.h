// The fine clock: the kernel's monotonic nanosecond counter. Used where
// microsecond steps matter.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTimebasePrecise {
 public:
  static uint64_t now();
  // One nanosecond, in the base's unit.
  static uint64_t resolution();
  static uint32_t unit();
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
