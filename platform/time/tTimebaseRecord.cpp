#include "platform/time/tTimebaseRecord.h"

#include "kal/include/nKIVKAL.h"
#include "platform/time/timeUnits.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
// Constant-initialised: the driver has no dynamic initialisation.
tTimebaseRecord gTimebaseRecord = {false, 0, 0, 0, 0};
}  // namespace

void initializeTimebase() {
  // Relaxed atomic stores: racing first readers all write the same values,
  // and the flag is published last.
  __atomic_store_n(&gTimebaseRecord.efficientUnit, timeUnit::kMicroseconds, __ATOMIC_RELAXED);
  __atomic_store_n(&gTimebaseRecord.preciseUnit, timeUnit::kNanoseconds, __ATOMIC_RELAXED);
  __atomic_store_n(&gTimebaseRecord.efficientTickLength, static_cast<uint64_t>(nKIVKAL100_getTimerInterval()),
                   __ATOMIC_RELAXED);
  __atomic_store_n(&gTimebaseRecord.preciseTickLength, uint64_t{1}, __ATOMIC_RELAXED);
  __atomic_store_n(&gTimebaseRecord.initialized, true, __ATOMIC_RELEASE);
}

const tTimebaseRecord& timebaseRecord() {
  if (!__atomic_load_n(&gTimebaseRecord.initialized, __ATOMIC_ACQUIRE)) initializeTimebase();
  return gTimebaseRecord;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
