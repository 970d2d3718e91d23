#include "controllers/channel/MeasureTriggerOverrideController.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

namespace {

using tStatusReg = vorlan_regmaps::tTheQuillIsoChannelRegMap::tChannelStatusReg;
constexpr uint32_t kOverridden = tStatusReg::kMeasureTriggerOverriddenMask;
constexpr uint32_t kBusy = 1u << 7;

bool inMask(uint64_t mask, uint32_t channel) { return ((mask >> channel) & 1u) != 0; }

}  // namespace

bool MeasureTriggerOverrideController::overrideTrigger(uint64_t channelMask, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return false;
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    if (!inMask(channelMask, c)) continue;
    tStatusReg& channelStatus = channels_[c]->ChannelStatusReg;
    if ((channelStatus.readRegister(status) & kOverridden) != 0) {
      vorlanSetCode(status, kAlreadyOverridden);
      return false;
    }
    if ((channelStatus.readRegister(status) & kBusy) != 0 || status.isFatal()) return false;
  }
  iso_.MeasureTriggerOverrideReg.writeChannelMask(static_cast<uint32_t>(channelMask & 0xFFFFFFu), status);
  if (status.isFatal()) return false;
  bool result = true;
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    if (!inMask(channelMask, c)) continue;
    if (result) result = (channels_[c]->ChannelStatusReg.readRegister(status) & kOverridden) != 0;
    strobes_[c]->strobe(1u << 8, status);
    if (status.isFatal()) return false;
  }
  return result;
}

}  // namespace vorlan_driver
