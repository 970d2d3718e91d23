// Passes time without yielding: the waiting loop simply reads its clock
// again. For waits where sleeping is not allowed or too coarse.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tTimeWasterSpin {
 public:
  static void pass(uint64_t remainingNanoseconds);
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
