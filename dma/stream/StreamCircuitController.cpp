#include "dma/stream/StreamCircuitController.h"

#include "dma/stream/dmaStreamCodes.h"
#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"
#include "regmaps/bridge/tStreamCircuitRegMapWithOffset.h"

namespace tarntools {

namespace {
using tSpinTimeout =
    vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSpin,
                                         vorlan_driver::nKIVAPAL000::tTimebasePrecise>;
using tStreamPoller = atut::Poller<tSpinTimeout, uint32_t>;
constexpr uint64_t kFirstIntervalMicroseconds = 10;
constexpr uint64_t kLongestIntervalMicroseconds = 100;
}  // namespace

template <typename StreamCircuitMap>
void StreamCircuitController<StreamCircuitMap>::start(bool flag, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (started_ != 0) {
    vorlanSetCode(status, dmaStreamCodes::kStreamCircuitAlreadyStarted);
    return;
  }
  map_->StreamControlStatusReg.writeRegister(kCommandReset, status);
  map_->StreamControlStatusReg.writeRegister(flag ? kCommandModeTrue : kCommandModeFalse, status);
  map_->StreamControlStatusReg.writeRegister(kCommandEnable, status);
  waitForStreamControlStatusRegValueTrue(kDataTransferEnable, kEnableTimeoutMicroseconds, status);
  if (status.isNotFatal()) started_ = 1;
}

template <typename StreamCircuitMap>
void StreamCircuitController<StreamCircuitMap>::stop(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t state = map_->StreamControlStatusReg.readRegister(status);
  if (status.isFatal()) return;
  if ((state & kDataTransferEnable) == 0) {
    // The circuit dropped its data path by itself: it is stopped already, and
    // a started flag kept here would refuse every later start of the channel.
    started_ = 0;
    return;
  }
  map_->StreamControlStatusReg.writeRegister(kCommandStop, status);
  waitForStreamControlStatusRegValueTrue(kResetComplete, kResetTimeoutMicroseconds, status);
  if (status.isNotFatal()) started_ = 0;
}

template <typename StreamCircuitMap>
void StreamCircuitController<StreamCircuitMap>::writeStreamAdditiveTransferCount(uint32_t count,
                                                                                  nKIVAPALS100::tStatus& status) {
  map_->StreamAdditiveTransferCount.writeRegister(count, status);
}

template <typename StreamCircuitMap>
void StreamCircuitController<StreamCircuitMap>::waitForStreamControlStatusRegValueTrue(
    uint32_t bit, uint64_t timeoutMicroseconds, nKIVAPALS100::tStatus& status) {
  const tStreamPoller poller(kFirstIntervalMicroseconds, kLongestIntervalMicroseconds,
                             static_cast<int32_t>(dmaStreamCodes::kStopTimedOut));
  using tRegister = decltype(map_->StreamControlStatusReg);
  poller.poll(map_->StreamControlStatusReg, &tRegister::readRegister, bit, bit, timeoutMicroseconds, true,
              tStreamPoller::kAnyMaskBitSet, status);
}

template class StreamCircuitController<tStreamCircuitRegMapWithOffset<0u>>;

}  // namespace tarntools
