#include "platform/time/tTimebasePrecise.h"

#include "kal/include/nKIVKAL.h"
#include "platform/time/tTimebaseRecord.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

uint64_t tTimebasePrecise::now() { return nKIVKAL1_getMonotonicCounter() * timebaseRecord().preciseTickLength; }
uint64_t tTimebasePrecise::resolution() { return timebaseRecord().preciseTickLength; }
uint32_t tTimebasePrecise::unit() { return timebaseRecord().preciseUnit; }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
