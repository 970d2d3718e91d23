#include "kal/include/kalStandIn.h"
#include "kal/src/kalPciState.h"
#include "kal/src/kalState.h"

namespace kalsim {

void reset() {
  detail::resetMemory();
  detail::resetPrint();
  detail::resetRegistration();
  detail::resetSyncLocks();
  detail::resetThreads();
  detail::resetUserCopy();
  detail::resetSync();
  detail::resetTime();
  detail::resetDma();
  detail::resetPci();
  detail::resetReleases();
}

}  // namespace kalsim
