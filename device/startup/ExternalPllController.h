// Programs the isolated side's external PLL: the isolated FPGA shifts each
// 24-bit command word out to the PLL and shows in its status register while
// its serial interface is busy and whether the PLL has locked. Four fixed
// words, an idle wait after each of the first three, a settle time after
// the last, then the lock must show. Built on the stack for one start-up;
// owns neither register.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class ExternalPllController {
 public:
  using tShiftReg = vorlan_regmaps::tTheQuillIsoFpgaRegMap::tExtPllShiftReg;
  using tStatusReg = vorlan_regmaps::tTheQuillIsoFpgaRegMap::tIsoFpgaStatusReg;

  static constexpr int64_t kPllTimeout = statusCodes::fromWord(0xBFFA467Au);
  static constexpr uint32_t kWordCount = 4;
  // Sent exactly so; the first and the last differ only in bit 0.
  static constexpr uint32_t kWords[kWordCount] = {0x1F8093u, 0x100028u, 0x001E01u, 0x1F8092u};
  static constexpr uint64_t kSettleMicroseconds = 10000;
  static constexpr uint64_t kIdleTimeoutMicroseconds = 1000;

  // How an idle wait paces its reads.
  struct IdlePoll {
    uint64_t initialMicroseconds;
    uint64_t maximumMicroseconds;
    int64_t timeoutCode;
  };
  static constexpr IdlePoll kIdlePoll = {10, 100, kPllTimeout};

  ExternalPllController(tShiftReg* shift, tStatusReg* fpgaStatus) : shift_(shift), fpgaStatus_(fpgaStatus) {}
  virtual ~ExternalPllController() {}
  ExternalPllController(const ExternalPllController&) = delete;
  ExternalPllController& operator=(const ExternalPllController&) = delete;

  virtual void configure(nKIVAPALS100::tStatus& status);
  // Until the serial interface is idle, for at most kIdleTimeoutMicroseconds.
  void waitForIdle(const IdlePoll& poll, nKIVAPALS100::tStatus& status);
  // Waits out the settle time, then the PLL must show its lock.
  void checkLock(uint32_t settleMicroseconds, nKIVAPALS100::tStatus& status);

 private:
  tShiftReg* shift_;
  tStatusReg* fpgaStatus_;
};

}  // namespace vorlan_driver
