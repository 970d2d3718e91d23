#include "dma/dispatch/SequencerStreamController.h"

#include "platform/status/statusCodes.h"
#include "platform/synchronization/tAutoLock.h"

namespace vorlan_driver {

using nKIVAPAL000::tAutoLock;
using nKIVAPAL000::tMutex;

SequencerStreamController::SequencerStreamController(tChannelMap& channel, nKIVAPALS100::tStatus& status)
    : channel_(channel), mutex_(status), holdOffPending_(false) {}

void SequencerStreamController::strobe(uint32_t bit, nKIVAPALS100::tStatus& status) {
  auto& control = channel_.ChannelSequencerControlReg;
  control.updateRegister(0, bit, status);
}

void SequencerStreamController::start(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (!mutex_.isCreated()) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  tAutoLock<tMutex> lock(mutex_);
  if (holdOffPending_) {
    holdOff_.waitForTimeout();
    holdOffPending_ = false;
  }
  strobe(kStartStream, status);
}

void SequencerStreamController::stop(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (!mutex_.isCreated()) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  tAutoLock<tMutex> lock(mutex_);
  strobe(kStopStreamFirst, status);
  if (status.isNotFatal()) strobe(kStopStreamSecond, status);
  if (status.isNotFatal()) channel_.ChannelSequencerStatusReg.readRegister(status);
  // A second stop before the next start keeps the first stop's time.
  if (!holdOffPending_) {
    holdOff_.setTimeout(kHoldOffMicroseconds);
    holdOff_.start();
    holdOffPending_ = true;
  }
}

}  // namespace vorlan_driver
