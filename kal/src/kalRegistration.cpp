#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
int32_t gRegisterResult = 0;
void* gRegisteredRecord = nullptr;
uint32_t gUnregisterCalls = 0;
}  // namespace

void setRegisterDriverResult(int32_t result) { gRegisterResult = result; }
void* registeredDriverRecord() { return gRegisteredRecord; }
uint32_t unregisterDriverCalls() { return gUnregisterCalls; }

namespace detail {
void resetRegistration() {
  gRegisterResult = 0;
  gRegisteredRecord = nullptr;
  gUnregisterCalls = 0;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

int32_t nKIVKAL200_registerDriver(void* driverRecord) {
  if (kalsim::gRegisterResult >= 0) kalsim::gRegisteredRecord = driverRecord;
  return kalsim::gRegisterResult;
}

int32_t nKIVKAL200_unregisterDriver(void*) {
  ++kalsim::gUnregisterCalls;
  kalsim::gRegisteredRecord = nullptr;
  return 0;
}

}  // extern "C"
