// Reaches the eight 16-bit registers of the chassis power monitor through
// two registers of the non-isolated FPGA: a command register (data, chip
// register number, write and read strobes) and a read-back register (data,
// read done, busy). The lock is lent by the owner of both registers, so
// every user of the monitor's relay is serialised by the same lock.
#pragma once

#include <stdint.h>

#include "framework/atut/Poller.h"
#include "framework/frontEndAccessors/FrontEndAccessorInterface.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {
namespace internal {

template <typename ConfigReg, typename ReadReg, uint32_t kReadDoneMask, uint32_t kBusyMask, uint32_t kIdleBusyValue>
class ChassisPowerMonitorFrontEndAccessor : public voltarissharedsource::FrontEndAccessorInterface {
 public:
  static constexpr uint32_t kChipRegisterMask = 0x7u;
  static constexpr uint32_t kDataMask = 0xFFFFu;

  static constexpr uint64_t kIdleTimeoutMicroseconds = 500u;
  static constexpr uint64_t kIdlePollInitialMicroseconds = 50u;
  static constexpr uint64_t kIdlePollMaximumMicroseconds = 100u;
  static constexpr uint64_t kReadDoneTimeoutMicroseconds = 10000u;
  static constexpr uint64_t kReadDonePollInitialMicroseconds = 100u;
  static constexpr uint64_t kReadDonePollMaximumMicroseconds = 2000u;

  ChassisPowerMonitorFrontEndAccessor(ConfigReg& configReg, ReadReg& readReg, nKIVAPAL000::tMutex& lentMutex)
      : configReg_(configReg), readReg_(readReg), mutex_(lentMutex) {}
  ~ChassisPowerMonitorFrontEndAccessor() override {}

  // Only bits 0-2 of the register number and bits 0-15 of the value count.
  void write32(uint32_t chipRegister, uint32_t value, nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(mutex_);
    waitUntilIdle(status);
    if (status.isFatal()) return;
    configReg_.setDataHigh(static_cast<uint8_t>(value >> 8));
    configReg_.setDataLow(static_cast<uint8_t>(value));
    configReg_.setChipRegister(static_cast<uint8_t>(chipRegister & kChipRegisterMask));
    configReg_.setWriteStb(true);
    configReg_.flush(status);
    // The monitor takes the value only when it is idle again.
    waitUntilIdle(status);
  }

  // 0xFFFFFFFF after any failure.
  uint32_t read32(uint32_t chipRegister, nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return 0xFFFFFFFFu;
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(mutex_);
    waitUntilIdle(status);
    if (status.isFatal()) return 0xFFFFFFFFu;
    configReg_.setChipRegister(static_cast<uint8_t>(chipRegister & kChipRegisterMask));
    configReg_.setReadStb(true);
    configReg_.flush(status);
    const tPoller readDonePoller(kReadDonePollInitialMicroseconds, kReadDonePollMaximumMicroseconds,
                                 static_cast<int32_t>(voltarissharedsource::frontEndCodes::kPowerMonitorReadNotDone));
    readDonePoller.poll(readReg_, &ReadReg::readRegister, kReadDoneMask, kReadDoneMask, kReadDoneTimeoutMicroseconds,
                        true, tPoller::kMaskedValueEquals, status);
    if (status.isFatal()) return 0xFFFFFFFFu;
    return readReg_.getRegister() & kDataMask;
  }

 private:
  using tTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;
  using tPoller = atut::Poller<tTimeout, unsigned int>;

  void waitUntilIdle(nKIVAPALS100::tStatus& status) {
    const tPoller idlePoller(kIdlePollInitialMicroseconds, kIdlePollMaximumMicroseconds,
                             static_cast<int32_t>(voltarissharedsource::frontEndCodes::kPowerMonitorBusy));
    idlePoller.poll(readReg_, &ReadReg::readRegister, kIdleBusyValue, kBusyMask, kIdleTimeoutMicroseconds, true,
                    tPoller::kMaskedValueEquals, status);
  }

  ConfigReg& configReg_;
  ReadReg& readReg_;
  nKIVAPAL000::tMutex& mutex_;
};

}  // namespace internal
}  // namespace vorlan_driver
