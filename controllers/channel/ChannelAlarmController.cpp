#include "controllers/channel/ChannelAlarmController.h"

#include "controllers/subroutine/subroutineIds.h"

namespace vorlan_driver {

namespace {

using tAlarmControl = vorlan_regmaps::tTheQuillIsoChannelRegMap::tAlarmControlRegT;
// Bits 16, 17 and 6 together: the first arming step.
constexpr uint32_t kArmBits = (1u << 16) | (1u << 17) | (1u << 6);
// The values the arming steps put in bits 21-23, then in bits 10-12.
constexpr uint8_t kMaskSteps[] = {1, 2, 3};
constexpr uint8_t kResponseSteps[] = {2, 3};

}  // namespace

ChannelAlarmController::ChannelAlarmController(vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap,
                                               SubroutineRegistrar& registrar, uint32_t pciSubsystemID)
    : map_(channelMap),
      registrar_(registrar),
      responseId_(subroutineIds::forSubsystem(pciSubsystemID).alarmResponse) {}

void ChannelAlarmController::configureAlarmResponse(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                                                    nKIVAPALS100::tStatus& status) {
  writeAlarmMacro(iso, false, status);
  if (status.isFatal()) return;
  tAlarmControl& control = map_.AlarmControlRegT;
  control.updateRegister(0, kArmBits, status);
  for (uint8_t step : kMaskSteps) control.writeMask(step, status);
  map_.OutputConnectedReg.writeOutputConnected(false, status);
  map_.OutputEnabledReg.writeOutputEnabled(false, status);
  for (uint8_t step : kResponseSteps) control.writeResponseStep(step, status);
  control.writeClearAlarm(true, status);
}

void ChannelAlarmController::writeAlarmMacro(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, bool force,
                                             nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t address = registrar_.getSubroutineAddress(responseId_, status);
  if (status.isFatal()) return;
  iso.SeqMasterMacroAddress.writeAddress(address, status, force);
}

void ChannelAlarmController::resetAlarmResponse(nKIVAPALS100::tStatus& status) {
  map_.AlarmControlRegT.writeResponseReset(1, status, true);
}

bool ChannelAlarmController::getAlarmRaised(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  vorlan_regmaps::tTheQuillIsoChannelRegMap::tAlarmStatusRegT& raised = map_.AlarmStatusRegT;
  nKIVAPALS100::tStatus readStatus;
  raised.refresh(readStatus);
  status.merge(readStatus);
  return raised.getAlarmRaised();
}

void ChannelAlarmController::clearAlarm(nKIVAPALS100::tStatus& status) { map_.AlarmControlRegT.writeClearAlarm(true, status); }

void ChannelAlarmController::maskAlarm(nKIVAPALS100::tStatus& status) { map_.AlarmControlRegT.writeMask(kCommand, status); }

void ChannelAlarmController::unmaskAlarm(nKIVAPALS100::tStatus& status) {
  map_.AlarmControlRegT.writeUnmask(kCommand, status);
}

}  // namespace vorlan_driver
