#include "regmaps/bridge/KeltPortAccessor.h"

#include "framework/atut/Poller.h"
#include "platform/status/statusCodes.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"
#include "regmaps/bridge/bridgeStatusCodes.h"

namespace tarntools {

namespace {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
using tReadTimeout =
    vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSleep,
                                         vorlan_driver::nKIVAPAL000::tTimebaseEfficient>;
using tReadPoller = atut::Poller<tReadTimeout, unsigned int>;

}  // namespace

KeltPortAccessor::KeltPortAccessor(tBusInterfaceMap& busInterface, uint8_t selector, uint32_t port,
                                   nKIVAPALS100::tStatus& status)
    : busInterface_(busInterface), selector_(selector), port_(port), mutex_(status), lock_(&mutex_) {}

KeltPortAccessor::~KeltPortAccessor() {}

bool KeltPortAccessor::isUsable(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  if (!mutex_.isCreated()) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
    return false;
  }
  return true;
}

// Every command is built from zero, whatever the last access or poll left in
// the shadow. One strobe always rises and the engine drops it again after the
// write, so the register is always pending here and goes out exactly once.
void KeltPortAccessor::issueCommand(tDirection direction, uint32_t address, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  busInterface_.ConfigControlReg.setRegister(0)
      .setWriteStrobe(direction == kWrite)
      .setReadStrobe(direction == kRead)
      .setPort(static_cast<uint8_t>(port_))
      .setSelector(selector_)
      .setPortRegisterAddress(static_cast<uint8_t>(address))
      .flush(status);
}

void KeltPortAccessor::write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) {
  if (!isUsable(status)) return;
  tAutoLock<tMutex> lock(*lock_);
  // Written only when the value changed or the register is pending.
  busInterface_.ConfigDataReg.writeRegister(value, status);
  issueCommand(kWrite, address, status);
}

uint32_t KeltPortAccessor::read32(uint32_t address, nKIVAPALS100::tStatus& status) {
  if (!isUsable(status)) return 0xFFFFFFFFu;
  tAutoLock<tMutex> lock(*lock_);
  issueCommand(kRead, address, status);
  const tReadPoller poller(kReadPollInitialMicroseconds, kReadPollMaximumMicroseconds,
                           static_cast<int32_t>(bridgeStatusCodes::kPortReadTimeout));
  poller.poll(busInterface_.ConfigControlReg, &tBusInterfaceMap::tConfigControlReg::readRegister, 0u,
              kReadDataReadyMask, kReadTimeoutMicroseconds, true, tReadPoller::kAnyMaskBitSet, status);
  if (status.isFatal()) {
    // The bridge may still load the data register after we gave up, so its
    // shadow can no longer be trusted to match: the next write must go out
    // even when its value equals the shadow.
    busInterface_.ConfigDataReg.markDirty();
    return busInterface_.ConfigDataReg.getRegister();
  }
  return busInterface_.ConfigDataReg.readRegister(status);
}

void KeltPortAccessor::unsupportedOperation(nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, bridgeStatusCodes::kPortOperationNotSupported);
}

}  // namespace tarntools
