#include "platform/time/tTimebaseEfficient.h"

#include "kal/include/nKIVKAL.h"
#include "platform/time/tTimebaseRecord.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

uint64_t tTimebaseEfficient::now() { return nKIVKAL110_getTimerCount() * timebaseRecord().efficientTickLength; }
uint64_t tTimebaseEfficient::resolution() { return timebaseRecord().efficientTickLength; }
uint32_t tTimebaseEfficient::unit() { return timebaseRecord().efficientUnit; }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
