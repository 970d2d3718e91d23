#include "device/startup/DeviceSetup.h"

#include "platform/driver/pciIdentity.h"
#include "platform/synchronization/tAutoLock.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;
using vorlan_regmaps::tTheQuillIsoChannelRegMap;

namespace {

// Current-range selectors, as the calibration table numbers its entries.
constexpr uint8_t k50mA = 2, k10mA = 3, k1mA = 4, k100uA = 5, k10uA = 6, k1uA = 7;

// The gains the sense and shunt ADCs start with before calibration.
constexpr uint32_t kSenseGain = 0x120AE;
constexpr uint32_t kHighShuntGain = 0x111B4;
constexpr uint32_t kPoleZeroGain = 0x8000;
constexpr uint32_t kSetpointGainBandwidth = 0x008114EE;
constexpr uint32_t kLimitGainBandwidth = 0x000560DF;

// Bits 24-25 of every predictive word.
constexpr uint8_t kPredictiveEnable = 3;

// Over-current protection, per channel.
constexpr uint16_t kOcpCurrentThresholds[] = {0x1E0, 0x27B, 0x33F};
constexpr uint32_t kOcpPowerThresholds[] = {0x4B11D0, 0x6E657C, 0x1253D88};
constexpr uint8_t kOcpIncrements[] = {100, 0, 1, 10, 133};
constexpr uint16_t kOcpCounter = 60000;

// Over-voltage protection, on the isolated FPGA.
constexpr uint8_t kOvpConfigBits16to21 = 10;
constexpr uint16_t kOvpConfigBits0to9 = 0x190;
constexpr uint16_t kOvpConfig2Bits16to27 = 0x6B4;
constexpr uint16_t kOvpConfig2Bits0to11 = 0x94C;

}  // namespace

const DeviceSetup::PredictiveWord DeviceSetup::kPredictiveWords[kPredictiveWordCount] = {
    {k10uA, k10mA, 0xFFE62B, 0xFFE62B},    {k10uA, k1mA, 0xFFE666, 0xFFE666},
    {k100uA, k10mA, 0xFFE666, 0xFFE666},   {k1uA, k10mA, 0xFFE6B5, 0xFFE6B5},
    {k1uA, k1mA, 0xFFE6BB, 0xFFE6BB},      {k1uA, k100uA, 0xFFE6F7, 0xFFE6F7},
    {k10uA, k100uA, 0xFFE8BA, 0xFFE8BA},   {k100uA, k1mA, 0xFFE8BA, 0xFFE8BA},
    {k1mA, k10mA, 0xFFE8BA, 0xFFE8BA},     {k1uA, k10uA, 0xFFE94B, 0xFFE94B},
    {k10uA, k1uA, 0xE315, 0xE315},         {k100uA, k10uA, 0xE8BB, 0xE8BB},
    {k1mA, k100uA, 0xE8BB, 0xE8BB},        {k10mA, k1mA, 0xE8BB, 0xE8BB},
    {k100uA, k1uA, 0x9C78A, 0x9C78A},      {k1mA, k10uA, 0xA000D, 0xA000D},
    {k10mA, k100uA, 0xA000D, 0xA000D},     {k1mA, k1uA, 0x62B41B, 0x62B41B},
    {k10mA, k10uA, 0x64E93D, 0x64E93D},    {k10mA, k1uA, 0x7FFFFF, 0x7FFFFF},
    {0, 0, 0, 0},                          {k10uA, k50mA, 0xFFE624, 0xFFE625},
    {k100uA, k50mA, 0xFFE628, 0xFFE62F},   {k1mA, k50mA, 0xFFE64D, 0xFFE692},
    {k1uA, k50mA, 0xFFE6B5, 0xFFE6B5},     {k10mA, k50mA, 0xFFE7C0, 0xFFEA6C},
    {k50mA, k10mA, 0x793F, 0x6BE4},        {k50mA, k1mA, 0x504E8, 0x4F78C},
    {k50mA, k100uA, 0x327980, 0x326C24},   {k50mA, k1uA, 0x7FFFFF, 0x7FFFFF},
    {k50mA, k10uA, 0x7FFFFF, 0x7FFFFF},
};

DeviceSetup::DeviceSetup(bool hasSharedLoSenseADCs, vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                         tTheQuillIsoChannelRegMap* const* channels, IsolatedControllers& controllers,
                         vorlan_storagemaps::QuillStorageMaps& storageMaps, uint8_t boardRevision,
                         uint32_t pciSubsystemId, tStatus& status)
    : hasSharedLoSenseADCs_(hasSharedLoSenseADCs),
      iso_(iso),
      channels_(channels),
      controllers_(controllers),
      storageMaps_(storageMaps),
      boardRevision_(boardRevision),
      pciSubsystemId_(pciSubsystemId),
      calibration_(iso, controllers) {
  if (status.isNotFatal()) setup(status);
}

void DeviceSetup::setup(tStatus& status) {
  writeRegisterDefaults(status);
  loadCalibration(status);
  writeProtectionDefaults(status);
  configureAlarmResponses(status);
}

uint32_t DeviceSetup::predictiveWord(uint32_t n, uint32_t channel, uint32_t pciSubsystemId) {
  const PredictiveWord& word = kPredictiveWords[n];
  const bool larkOdd = !nKIVAPAL000::isWrenSubsystemID(pciSubsystemId) && (channel & 1u) != 0;
  return static_cast<uint32_t>(word.upperSelector) << 29 | static_cast<uint32_t>(word.lowerSelector) << 26 |
         static_cast<uint32_t>(kPredictiveEnable) << 24 | (larkOdd ? word.larkOddChannelValue : word.value);
}

void DeviceSetup::writeRegisterDefaults(tStatus& status) {
  // The shared LO-sense gains are only staged: the calibration writes them
  // on boards that have those ADCs, and the others never use them.
  for (auto& gain : iso_.CalGainRegType) {
    if (status.isFatal()) return;
    if (gain.getCalGain() != CalibrationLoader::kDefaultSharedLoSenseGain) {
      gain.setCalGain(CalibrationLoader::kDefaultSharedLoSenseGain);
      gain.markDirty();
    }
  }
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) writeChannelDefaults(*channels_[c], c, status);
}

// Each row writes only when its field changes or the register is dirty.
void DeviceSetup::writeChannelDefaults(tTheQuillIsoChannelRegMap& channel, uint32_t c, tStatus& status) {
  channel.CalGainRegType[0].writeCalGain(kSenseGain, status);
  channel.CalGainRegType[1].writeCalGain(kSenseGain, status);
  channel.CalGainRegType[2].writeCalGain(kHighShuntGain, status);
  channel.CalGainRegType[3].writeCalGain(0, status);
  channel.VMuSampleSourceReg.writeSampleSource(0, status);
  channel.IMuSampleSourceReg.writeSampleSource(0, status);
  channel.VFlSampleSourceReg.writeSampleSource(0, status);
  channel.IFlSampleSourceReg.writeSampleSource(0, status);
  channel.PoleZeroGainRegType[0].writeBits0to17(kPoleZeroGain, status);
  channel.PoleZeroGainRegType[1].writeBits0to17(kPoleZeroGain, status);
  channel.SetpointGainBandwidthReg.writeBits0to31(kSetpointGainBandwidth, status);
  channel.LimitGainBandwidthReg.writeBits0to31(kLimitGainBandwidth, status);
  // Every bit of the predictive register is a strobe: each word goes out
  // whole and the shadow returns to 0.
  auto& predictive = channel.PredictiveRangeChangeControlReg;
  for (uint32_t n = 0; n < kPredictiveWordCount && status.isNotFatal(); ++n) {
    const uint32_t word = predictiveWord(n, c, pciSubsystemId_);
    predictive.setBits29to31(static_cast<uint8_t>(word >> 29))
        .setBits26to28(static_cast<uint8_t>(word >> 26 & 7u))
        .setBits24to25(static_cast<uint8_t>(word >> 24 & 3u))
        .setBits0to23(word & 0xFFFFFFu)
        .flush(status);
  }
}

void DeviceSetup::loadCalibration(tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t index = findValidCalibrationStorageMap(storageMaps_, status);
  vorlan_storagemaps::CalibrationStorageMap* map = selectCalibrationStorageMap(index, storageMaps_);
  // The chosen set is read field by field: a user's change by name waits.
  nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(map == nullptr ? nullptr
                                                                 : storageMaps_.getRegistrationMutex(*map));
  if (hasSharedLoSenseADCs_) calibration_.loadSharedLoSenseCalibration(map, status);
  calibration_.loadChargeBalanceOffsets(map, status);
  calibration_.loadChannelCalibration(map, status);
  calibration_.loadCommonModeCurrentCancellation(map, status);
}

void DeviceSetup::writeProtectionDefaults(tStatus& status) {
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) writeChannelProtection(*channels_[c], status);
  if (status.isFatal()) return;
  iso_.OvpConfigReg.setBits16to21(kOvpConfigBits16to21).setBits0to9(kOvpConfigBits0to9).flush(status);
  iso_.OvpConfig2Reg.setBits16to27(kOvpConfig2Bits16to27).setBits0to11(kOvpConfig2Bits0to11).flush(status);
}

// All twelve fields are set first; then each register goes out, in row
// order, only when it is dirty.
void DeviceSetup::writeChannelProtection(tTheQuillIsoChannelRegMap& channel, tStatus& status) {
  for (uint32_t k = 0; k < 3; ++k) channel.OcpCurrentThresholdRegType[k].setBits0to11(kOcpCurrentThresholds[k]);
  for (uint32_t k = 0; k < 3; ++k) channel.OcpPowerThresholdRegType[k].setBits0to24(kOcpPowerThresholds[k]);
  for (uint32_t k = 0; k < 5; ++k) channel.OcpIncrementRegType[k].setBits0to7(kOcpIncrements[k]);
  channel.OcpCounterRegType.setBits0to15(kOcpCounter);
  for (auto& reg : channel.OcpCurrentThresholdRegType) reg.flush(status);
  for (auto& reg : channel.OcpPowerThresholdRegType) reg.flush(status);
  for (auto& reg : channel.OcpIncrementRegType) reg.flush(status);
  channel.OcpCounterRegType.flush(status);
}

void DeviceSetup::configureAlarmResponses(tStatus& status) {
  // The macro register all channels share comes up afresh with the
  // isolated FPGA, while its shadow may already hold the address (a fresh
  // map's 0, say): its first write goes out whatever the shadow says.
  controllers_.alarmTable[0]->writeAlarmMacro(iso_, true, status);
  for (uint32_t c = 0; c < kChannelCount && status.isNotFatal(); ++c) {
    controllers_.alarmTable[c]->configureAlarmResponse(iso_, status);
  }
}

}  // namespace vorlan_driver
