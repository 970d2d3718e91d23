// 32-bit accesses to the register files of bridge port 2, tunnelled through
// the bus-interface block's command register 0x688 and data register 0x68C.
// A write is posted; a read waits for the bridge to flag its data.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/bridge/tSwitchedTarnBimRegMapWithOffset.h"

namespace tarntools {

class KeltPortAccessor {
 public:
  using tBusInterfaceMap = tSwitchedTarnBimRegMapWithOffset<0u>;

  // No hardware access. The status reports only a lock that could not be
  // had; such an accessor refuses every access.
  KeltPortAccessor(tBusInterfaceMap& busInterface, uint8_t selector, uint32_t port, nKIVAPALS100::tStatus& status);
  virtual ~KeltPortAccessor();
  KeltPortAccessor(const KeltPortAccessor&) = delete;
  KeltPortAccessor& operator=(const KeltPortAccessor&) = delete;

  virtual void write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status);
  // 0xFFFFFFFF when the status already held an error; the data register's
  // previous value when the read did not complete.
  virtual uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status);
  virtual void unsupportedOperation(nKIVAPALS100::tStatus& status);

  // Serialises the accesses with `lock` in place of the accessor's own mutex
  // (null goes back to it): the bus-interface map's own lock, so that no one
  // writing that map, by name or otherwise, can break into a tunnelled
  // access. Set while no access runs; the lock must outlive its use here.
  void shareLock(vorlan_driver::nKIVAPAL000::tMutex* lock) { lock_ = lock != nullptr ? lock : &mutex_; }

  // Read data ready, in the command register.
  static constexpr uint32_t kReadDataReadyMask = tBusInterfaceMap::tConfigControlReg::kReadDataReadyMask;
  static constexpr uint64_t kReadTimeoutMicroseconds = 100000u;
  static constexpr uint64_t kReadPollInitialMicroseconds = 10u;
  static constexpr uint64_t kReadPollMaximumMicroseconds = 100u;

 private:
  enum tDirection { kWrite, kRead };

  bool isUsable(nKIVAPALS100::tStatus& status);
  void issueCommand(tDirection direction, uint32_t address, nKIVAPALS100::tStatus& status);

  tBusInterfaceMap& busInterface_;
  uint8_t selector_;
  uint32_t port_;
  // The IO port 2 and isolation-port maps are published under registrations
  // of their own, each with its own mutex, yet share this tunnel: without a
  // lock here two requests could interleave their commands and data.
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  vorlan_driver::nKIVAPAL000::tMutex* lock_;
};

}  // namespace tarntools
