#include "controllers/channel/MeasureUnitController.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

namespace {

using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;
constexpr uint32_t kArmStrobe = 1u << 0;
// The three reset strobes, each its own write.
constexpr uint32_t kResetStrobes[] = {1u << 1, 1u << 3, 1u << 25};
constexpr uint32_t kArmed = 1u << 0;
constexpr uint32_t kArmedOrBusy = kArmed | 1u << 7;
constexpr uint32_t kEnableStream = 1u << 2;
constexpr uint32_t kDisableStream = 1u << 3;
constexpr uint32_t kClearOverflow = 1u << 4;
// After the wait, whatever its outcome: the stream off, the overflow clear.
constexpr uint32_t kStreamStrobes[] = {kDisableStream, kClearOverflow};

}  // namespace

MeasureUnitController::MeasureUnitController(uint8_t channel, tChannelMap& channelMap, MiscControlStrobe& misc,
                                             tConfigReg& config,
                                             MeasureOverflowQueryInterface& overflow,
                                             kdut::HardwareStateCheckerInterface& checker,
                                             nKIVAPALS100::tStatus& status)
    : channel_(channel),
      map_(channelMap),
      misc_(misc),
      config_(config),
      overflow_(overflow),
      handler_(&checker, static_cast<int32_t>(kMeasureUnitTimeout)),
      poller_(kChannelPollInitialMicroseconds, kChannelPollMaximumMicroseconds, 0, &handler_),
      mutex_(status) {}

void MeasureUnitController::strobeMisc(uint32_t bit, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  misc_.strobe(bit, status);
}

void MeasureUnitController::strobeConfig(uint32_t bit, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  config_.updateRegister(0, bit, status);
}

void MeasureUnitController::setEventCode(uint16_t code, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  map_.MeasureUnitEvent.writeEventCode(code, status);
}

void MeasureUnitController::setMeasureCompleteDelay(uint32_t delay, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  map_.MeasureCompleteDelayReg.writeRegister(delay, status);
}

void MeasureUnitController::arm(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  strobeConfig(kEnableStream, status);
  strobeMisc(kArmStrobe, status);
  poller_.poll(map_.ChannelStatusReg, &tChannelMap::tChannelStatusReg::readRegister, 0u, kArmed, kTimeoutMicroseconds,
               true, tChannelPoller::kAnyMaskBitSet, status);
  if (status.isNotFatal()) return;
  nKIVAPALS100::tStatus scratch;
  cleanup(scratch);
  status.merge(scratch);
}

void MeasureUnitController::cleanup(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  for (uint32_t bit : kResetStrobes) {
    nKIVAPALS100::tStatus scratch;
    strobeMisc(bit, scratch);
    status.merge(scratch);
  }
  poller_.poll(map_.ChannelStatusReg, &tChannelMap::tChannelStatusReg::readRegister, 0u, kArmedOrBusy,
               kTimeoutMicroseconds, true, tChannelPoller::kNoMaskBitSet, status);
  for (uint32_t bit : kStreamStrobes) {
    nKIVAPALS100::tStatus scratch;
    strobeConfig(bit, scratch);
    status.merge(scratch);
  }
  MeasureOverflowQueryInterface& overflow = overflow_;
  const uint8_t channel = channel_;
  pollUntil(
      poller_, [&overflow, channel](nKIVAPALS100::tStatus& s) { return !overflow.isOverflowed(channel, s); },
      kTimeoutMicroseconds, status);
}

}  // namespace vorlan_driver
