#include "controllers/channel/SequenceEngineController.h"

#include "controllers/ControllerGuard.h"
#include "controllers/subroutine/subroutineIds.h"

namespace vorlan_driver {

namespace {

using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
constexpr uint32_t kEngineIdle = tChannelMap::tChannelStatusReg::kSequenceEngineIdleMask;
constexpr uint32_t kAbstractedEventBusyBit = tChannelMap::tChannelStatusReg::kAbstractedEventBusyMask;

}  // namespace

SequenceEngineController::SequenceEngineController(tChannelMap& channelMap, MiscControlStrobe& misc,
                                                   IsoInterruptGeneratorController& generator,
                                                   uint8_t channel, kdut::HardwareStateCheckerInterface& checker,
                                                   nKIVAPALS100::tStatus& status)
    : map_(channelMap),
      misc_(misc),
      generator_(generator),
      channel_(channel),
      handler_(&checker, static_cast<int32_t>(kEngineTimeout)),
      poller_(kChannelPollInitialMicroseconds, kChannelPollMaximumMicroseconds, 0, &handler_),
      mutex_(status) {}

void SequenceEngineController::start(uint32_t commandCount, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const uint32_t channelStatus = map_.ChannelStatusReg.readRegister(status);
  if (status.isFatal()) return;
  if ((channelStatus & kEngineIdle) == 0) {
    vorlanSetCode(status, kEngineRunning);
    return;
  }
  if (commandCount > kMaximumCommands) {
    vorlanSetCode(status, kTooManyCommands);
    return;
  }
  if (commandCount > 0) {
    tChannelMap::tChannelCommandFifoFullnessReg& fullness = map_.ChannelCommandFifoFullnessReg;
    pollUntil(
        poller_, [&fullness, commandCount](nKIVAPALS100::tStatus& s) { return fullness.readRegister(s) >= commandCount; },
        kFifoFillTimeoutMicroseconds, status);
  }
  misc_.strobe(1u << 13, status);
  map_.ChannelSequencerControlReg.writeEngineStartStb(true, status);
}

void SequenceEngineController::reset(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  nKIVAPALS100::tStatus scratch;
  generator_.issueSubroutine(channel_, subroutineIds::kSequenceEngineReset, IsoInterruptGeneratorController::kEngineResetType,
                             scratch);
  status.merge(scratch);
  if (status.isFatal()) return;
  poller_.poll(map_.ChannelSequencerStatusReg, &tChannelMap::tChannelSequencerStatusReg::readRegister, 0u,
               kResetBusyMask, kResetTimeoutMicroseconds, true, tChannelPoller::kNoMaskBitSet, status);
  misc_.strobe(1u << 12, status);
}

bool SequenceEngineController::isRunning(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return false;
  tChannelMap::tChannelStatusReg& reg = map_.ChannelStatusReg;
  nKIVAPALS100::tStatus readStatus;
  reg.refresh(readStatus);
  status.merge(readStatus);
  return (reg.getRegister() & kEngineIdle) == 0;
}

bool SequenceEngineController::selectAbstractedEvent(uint32_t event, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return false;
  const uint32_t before = map_.ChannelStatusReg.readRegister(status);
  if (status.isFatal()) return false;
  if ((before & kAbstractedEventBusyBit) != 0) {
    vorlanSetCode(status, kAbstractedEventBusy);
    return false;
  }
  tChannelMap::tChAbstractedEventRegType& select = map_.ChAbstractedEvent2[1];
  select.updateRegister(0x1Fu, event & 0x1Fu, status, true);
  const bool busy = (map_.ChannelStatusReg.readRegister(status) & kAbstractedEventBusyBit) != 0;
  misc_.strobe(1u << 9, status);
  return busy && status.isNotFatal();
}

}  // namespace vorlan_driver
