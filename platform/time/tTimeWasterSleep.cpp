#include "platform/time/tTimeWasterSleep.h"

#include "kal/include/nKIVKAL.h"
#include "platform/time/timeUnits.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
// The sleep takes a signed 32-bit count of microseconds: a longer wait
// sleeps in pieces of the largest whole number of milliseconds that fits,
// instead of wrapping to a negative (no) sleep and spinning.
constexpr uint64_t kLongestSleepMilliseconds = 2147483;
}  // namespace

void tTimeWasterSleep::pass(uint64_t remainingNanoseconds) {
  uint64_t milliseconds = convertTime(remainingNanoseconds, timeUnit::kNanoseconds, timeUnit::kMilliseconds);
  if (milliseconds > kLongestSleepMilliseconds) milliseconds = kLongestSleepMilliseconds;
  nKIVKAL250_sleepTimeout(static_cast<int32_t>(milliseconds * 1000u));
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
