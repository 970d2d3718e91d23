#include "regmaps/bridge/IOPort2.h"

#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"
#include "regmaps/bridge/bridgeStatusCodes.h"

namespace tarntools {

namespace {

using tStateTimeout =
    vorlan_driver::nKIVAPAL000::tTimeout<vorlan_driver::nKIVAPAL000::tTimeWasterSleep,
                                         vorlan_driver::nKIVAPAL000::tTimebaseEfficient>;
using tStatePoller = atut::Poller<tStateTimeout, unsigned int>;

}  // namespace

IOPort2::IOPort2(tMap& map, uint8_t pllSetting1, uint8_t pllSetting2, uint8_t pllSetting3,
                 nIOPort2RegMap::IoPort2PllRange_t pllRange, uint8_t pllSetting0, bool controlFlag2, bool controlFlag1)
    : map_(map),
      pllSetting1_(pllSetting1),
      pllSetting2_(pllSetting2),
      pllSetting3_(pllSetting3),
      pllRange_(pllRange),
      pllSetting0_(pllSetting0),
      controlFlag2_(controlFlag2),
      controlFlag1_(controlFlag1) {}

IOPort2::~IOPort2() {}

void IOPort2::waitForState(uint32_t state, nKIVAPALS100::tStatus& status) {
  const tStatePoller poller(kStatePollIntervalMicroseconds, kStatePollIntervalMicroseconds,
                            static_cast<int32_t>(bridgeStatusCodes::kIOPort2StateTimeout));
  poller.poll(map_.IoPort2ControlStatusRegister, &tMap::tIoPort2ControlStatusRegister::readRegister, state,
              kResetAndLockMask, kStateTimeoutMicroseconds, true, tStatePoller::kMaskedValueEquals, status);
}

void IOPort2::reset(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  // Written even when the shadow already shows the reset: the port may have
  // left it behind our back.
  map_.IoPort2ControlStatusRegister.writePortReset(1u, status, true);
  waitForState(kInReset, status);
}

void IOPort2::configure(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  map_.IoPort2ModeRegister.writePortMode(kPortMode, status, true);
  if (status.isFatal()) return;

  tMap::tIoPort2PllRegister& pll = map_.IoPort2PllRegister;
  pll.setPllSetting1(pllSetting1_)
      .setPllSetting2(pllSetting2_)
      .setPllSetting3(pllSetting3_)
      .setPllRange(static_cast<uint8_t>(pllRange_))
      .setPllSetting0(pllSetting0_);
  pll.flush(status);
  if (status.isFatal()) return;

  // Clearing the reset last lets the port start on the new PLL setting.
  tMap::tIoPort2ControlStatusRegister& control = map_.IoPort2ControlStatusRegister;
  control.setControlFlag2(controlFlag2_ ? 1u : 0u).setControlFlag1(controlFlag1_ ? 1u : 0u).setPortReset(0u);
  control.flush(status);
  if (status.isFatal()) return;

  waitForState(kLocked, status);
}

bool IOPort2::isLocked(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  return map_.IoPort2ControlStatusRegister.readPllLocked(status) != 0u;
}

}  // namespace tarntools
