// Passes time by sleeping in the kernel: whole milliseconds while at least
// one remains, then zero-length sleeps that only yield.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTimeWasterSleep {
 public:
  static void pass(uint64_t remainingNanoseconds);
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
