// The coarse clock: the kernel's timer tick count times the tick length, in
// microseconds. One kernel call per reading; meant for long hardware waits.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTimebaseEfficient {
 public:
  static uint64_t now();
  // One tick, in the base's unit.
  static uint64_t resolution();
  static uint32_t unit();
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
