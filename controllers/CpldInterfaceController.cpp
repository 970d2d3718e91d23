#include "controllers/CpldInterfaceController.h"

#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {
using tReadyTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebaseEfficient>;
using tReadyPoller = atut::Poller<tReadyTimeout, uint32_t>;
using tInterfaceStatus = vorlan_regmaps::tTheQuillIsoFpgaRegMap::tCpldInterfaceStatusReg;
}  // namespace

void CpldInterfaceController::enableCplds(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  iso_->IsoDcBusConfigReg.writeCpldEnableStb(true, status);
  const tReadyPoller poller(kReadyPollInitialMicroseconds, kReadyPollMaximumMicroseconds,
                            static_cast<int32_t>(kInterfaceNotReady));
  poller.poll(iso_->CpldInterfaceStatusReg, &tInterfaceStatus::readRegister, tInterfaceStatus::kCpldInterfaceReadyMask,
              tInterfaceStatus::kCpldInterfaceReadyMask, kReadyTimeoutMicroseconds, true,
              tReadyPoller::kMaskedValueEquals, status);
  for (uint64_t i = 0; i < count_ && status.isNotFatal(); ++i) cplds_[i]->CpldConfigReg.writeEnable(true, status);
  for (uint64_t i = 0; i < count_ && status.isNotFatal(); ++i) {
    cplds_[i]->TempSensorConfigReg.writeEnable(true, status);
  }
  if (status.isFatal()) return;
  iso_->IsoDcBusConfigReg.writeCpldEnableDoneStb(true, status);
}

}  // namespace vorlan_driver
