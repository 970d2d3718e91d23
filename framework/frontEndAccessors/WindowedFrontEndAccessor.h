// Reaches an isolated-side register through one access window of the
// non-isolated FPGA: status, address, write-data and read-data registers.
// One accessor and one lock per window, held for the whole access, so the
// accesses of one window never interleave while windows run in parallel.
// A write is posted: the next access of the window waits for it in its
// ready poll. Polls sleep, so this is for thread context only.
#pragma once

#include <stdint.h>

#include "framework/atut/Poller.h"
#include "framework/frontEndAccessors/FrontEndAccessorInterface.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace voltarissharedsource {

template <typename Map, typename AccessType, AccessType kRead, AccessType kWrite>
class WindowedFrontEndAccessor : public FrontEndAccessorInterface {
 public:
  using tStatusReg = typename Map::tIsoRegAccessStatusRegType;
  using tAddressReg = typename Map::tIsoRegAccessAddrRegType;
  using tWriteDataReg = typename Map::tIsoRegAccessWriteDataRegType;
  using tReadDataReg = typename Map::tIsoRegAccessReadDataRegType;

  // The bits as the map's description names them.
  static constexpr uint32_t kErrorBit = tStatusReg::kAccessErrorMask;
  static constexpr uint32_t kReadyForNewAccessBit = tStatusReg::kIsoRegReadyForNewAccessMask;
  static constexpr uint32_t kNewReadResponseBit = tStatusReg::kNewIsoRegReadResponseMask;
  static constexpr uint32_t kAddressMask = tAddressReg::kIsoRegAddrMask;

  static constexpr uint64_t kTimeoutMicroseconds = 500000u;
  static constexpr uint64_t kReadyPollInitialMicroseconds = 1000u;
  static constexpr uint64_t kReadyPollMaximumMicroseconds = 1000u;
  // A read usually answers within microseconds: start short, back off far.
  static constexpr uint64_t kResponsePollInitialMicroseconds = 5u;
  static constexpr uint64_t kResponsePollMaximumMicroseconds = 100000u;

  // No hardware access. The status reports only a lock that could not be
  // had; such an accessor refuses every access with -52000.
  WindowedFrontEndAccessor(tStatusReg& statusReg, tAddressReg& addressReg, tWriteDataReg& writeDataReg,
                           tReadDataReg& readDataReg, kdut::HardwareStateCheckerInterface* errorChecker,
                           nKIVAPALS100::tStatus& status)
      : writeDataReg_(writeDataReg),
        readDataReg_(readDataReg),
        addressReg_(addressReg),
        statusReg_(statusReg),
        errorChecker_(errorChecker),
        mutex_(status) {}
  ~WindowedFrontEndAccessor() override {}

  void write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) override {
    if (!isUsable(status)) return;
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    waitUntilReady(status);
    if (status.isFatal()) return;
    // Every access goes out, even one that repeats the last value.
    writeDataReg_.setRegister(value);
    writeDataReg_.flush(status, true);
    startAccess(kWrite, address, status);
  }

  // After a failure: the value of this window's last successful read.
  uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status) override {
    if (!isUsable(status)) return 0xFFFFFFFFu;
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    waitUntilReady(status);
    startAccess(kRead, address, status);
    const tPoller responsePoller(kResponsePollInitialMicroseconds, kResponsePollMaximumMicroseconds,
                                 static_cast<int32_t>(frontEndCodes::kNoReadResponse));
    responsePoller.poll(*this, &WindowedFrontEndAccessor::pollIsoRegAccessStatusNewIsoRegReadResponse, 1u,
                        0xFFFFFFFFu, kTimeoutMicroseconds, true, tPoller::kMaskedValueEquals, status);
    if (status.isFatal()) return readDataReg_.getRegister();
    return readDataReg_.readRegister(status);
  }

  // The poller's reads of the status register. A raised error bit asks the
  // window's checker for the cause and keeps the poll waiting otherwise.
  bool pollIsoRegAccessStatusReadyForNewAccess(nKIVAPALS100::tStatus& status) {
    return pollStatusBit(kReadyForNewAccessBit, status);
  }
  bool pollIsoRegAccessStatusNewIsoRegReadResponse(nKIVAPALS100::tStatus& status) {
    return pollStatusBit(kNewReadResponseBit, status);
  }

 private:
  using tTimeout = vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSleep,
                                                        vorlan_driver::nKIVAPAL000::tTimebasePrecise>;
  using tPoller = atut::Poller<tTimeout, unsigned int>;

  bool isUsable(nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return false;
    if (!mutex_.isCreated()) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
      return false;
    }
    return true;
  }

  bool pollStatusBit(uint32_t bit, nKIVAPALS100::tStatus& status) {
    // Reads nothing once the status holds an error; the shadow answers then.
    statusReg_.refresh(status);
    const uint32_t value = statusReg_.getRegister();
    if ((value & kErrorBit) != 0) {
      if (errorChecker_ != nullptr) errorChecker_->checkHardwareState(status);
      return false;
    }
    return (value & bit) != 0;
  }

  void waitUntilReady(nKIVAPALS100::tStatus& status) {
    const tPoller readyPoller(kReadyPollInitialMicroseconds, kReadyPollMaximumMicroseconds,
                              static_cast<int32_t>(frontEndCodes::kWindowNotReady));
    readyPoller.poll(*this, &WindowedFrontEndAccessor::pollIsoRegAccessStatusReadyForNewAccess, 1u, 0xFFFFFFFFu,
                     kTimeoutMicroseconds, true, tPoller::kMaskedValueEquals, status);
  }

  // Access type and address are strobes: the write starts the access and
  // the model drops both from the shadow again.
  void startAccess(AccessType type, uint32_t address, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    addressReg_.setIsoRegAccessType(type == kRead);
    addressReg_.setIsoRegAddr(static_cast<uint16_t>(address & kAddressMask));
    addressReg_.flush(status, true);
  }

  tWriteDataReg& writeDataReg_;
  tReadDataReg& readDataReg_;
  tAddressReg& addressReg_;
  tStatusReg& statusReg_;
  kdut::HardwareStateCheckerInterface* errorChecker_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
};

}  // namespace voltarissharedsource
