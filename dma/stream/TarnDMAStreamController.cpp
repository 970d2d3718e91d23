#include "dma/stream/TarnDMAStreamController.h"

#include "dma/stream/dmaStreamCodes.h"
#include "framework/atut/Poller.h"
#include "platform/status/statusCodes.h"
#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace tarntools {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
using vorlan_driver::nKIVAPAL000::tTarnSGL;

namespace {
using tSpinTimeout =
    vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSpin,
                                         vorlan_driver::nKIVAPAL000::tTimebasePrecise>;
using tChannelPoller = atut::Poller<tSpinTimeout, uint32_t>;
}  // namespace

TarnDMAStreamController::TarnDMAStreamController(const tSpace& companion, tChannelMap& channelMap,
                                                 tStreamCircuit& streamCircuit, uint64_t channel,
                                                 nKIVAPALS100::tStatus& status)
    : tTarnDMAChannel(companion, channel, status),
      channelMap_(&channelMap),
      streamCircuit_(&streamCircuit),
      mutex_(status),
      cleanup_(*this) {}

bool TarnDMAStreamController::usable(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  if (mutex_.isCreated()) return true;
  vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
  return false;
}

void TarnDMAStreamController::addCredit(uint32_t credit, nKIVAPALS100::tStatus& status) {
  if (!usable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  streamCircuit_->writeStreamAdditiveTransferCount(credit, status);
}

void TarnDMAStreamController::setThreshold(uint64_t threshold, nKIVAPALS100::tStatus& status) {
  if (!usable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  block_.write64(kThreshold, threshold);
  block_.write32(kOperation, kOperationArmThreshold);
}

uint64_t TarnDMAStreamController::getTransferCount(nKIVAPALS100::tStatus& status) {
  if (!usable(status)) return 0;
  tAutoLock<tMutex> lock(mutex_);
  return block_.read64(kTransferCount);
}

void TarnDMAStreamController::setThresholdEnable(uint32_t bits) {
  tAutoLock<tMutex> lock(getChannelLock());
  if (bits == thresholdEnable_) return;
  thresholdEnable_ = bits;
  block_.write32(kControl, (block_.read32(kControl) & kControlKeepMask) | bits);
}

void TarnDMAStreamController::start(FiniteAndContinuousSGL& lists, bool flag, nKIVAPALS100::tStatus& status) {
  if (!usable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  if (isStarted()) {
    vorlanSetCode(status, dmaStreamCodes::kChannelAlreadyStarted);
    return;
  }
  if (lists.finite().getFirst() == nullptr || lists.continuous().getFirst() == nullptr) {
    // A clear that could not build the lists again left them without a
    // first link, and there is none to hand the engine (it would fetch one
    // from bus address 0). The next clear builds them again.
    vorlanSetCode(status, vorlan_driver::statusCodes::kNoLinkMemory);
    return;
  }
  const tTarnSGL::tFirstLink first =
      lists.finite().isEmpty() ? lists.continuous().getFirstLink() : lists.finite().getFirstLink();
  block_.write64(kLinkAddress, first.busAddress);
  block_.write32(kLinkLength, first.usedLength);
  setStarted(true);
  block_.write32(kOperation, kOperationStart);
  waitUntilReady(status);
  streamCircuit_->start(flag, status);
  if (status.isNotFatal()) return;
  nKIVAPALS100::tStatus scratch;
  stopSequence(scratch);
  status.merge(scratch);
}

void TarnDMAStreamController::stop(nKIVAPALS100::tStatus& status) {
  if (!usable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  nKIVAPALS100::tStatus scratch;
  stopSequence(scratch);
  status.merge(scratch);
}

void TarnDMAStreamController::resetAndWait(nKIVAPALS100::tStatus& status) {
  if (!usable(status)) return;
  tAutoLock<tMutex> lock(mutex_);
  reactivate();
  nKIVAPALS100::tStatus wait;
  waitUntilStopped(wait);
  if (wait.isNotFatal()) setStarted(false);
  status.merge(wait);
}

void TarnDMAStreamController::stopSequence(nKIVAPALS100::tStatus& status) {
  streamCircuit_->stop(status);
  if (!isStarted()) return;
  block_.write32(kOperation, kOperationStop);
  nKIVAPALS100::tStatus wait;
  waitUntilStopped(wait);
  if (wait.isNotFatal()) setStarted(false);
  status.merge(wait);
}

void TarnDMAStreamController::waitUntilReady(nKIVAPALS100::tStatus& status) {
  const tChannelPoller poller(kFirstIntervalMicroseconds, kLongestIntervalMicroseconds,
                              static_cast<int32_t>(dmaStreamCodes::kChannelNotReady));
  poller.poll(channelMap_->ChannelStatus, &tChannelMap::tChannelStatus::readRegister, kStatusReady, kStatusReady,
              kWaitMicroseconds, true, tChannelPoller::kAnyMaskBitSet, status);
}

void TarnDMAStreamController::waitUntilStopped(nKIVAPALS100::tStatus& status) {
  const tChannelPoller poller(kFirstIntervalMicroseconds, kLongestIntervalMicroseconds,
                              static_cast<int32_t>(dmaStreamCodes::kStopTimedOut));
  poller.poll(channelMap_->ChannelStatus, &tChannelMap::tChannelStatus::readRegister, kStatusStopped,
              kStatusStopped, kWaitMicroseconds, true, tChannelPoller::kAnyMaskBitSet, status);
}

}  // namespace tarntools
