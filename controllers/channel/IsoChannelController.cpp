#include "controllers/channel/IsoChannelController.h"

namespace vorlan_driver {

namespace {

// The switch fields each pattern sets, as the channel's two switch-state
// registers take them: the mask of the fields set, then their codes.
struct SwitchPattern {
  uint32_t mask;
  uint32_t codes;
};
constexpr SwitchPattern kResetState1 = {0xFFFF, 0xAAA9};
constexpr SwitchPattern kResetState2 = {0x3FFF, 0x2AAA};
constexpr SwitchPattern kCalibrationBusState1 = {0xFFFF, 0x0006};
constexpr SwitchPattern kCalibrationBusState2 = {0x3FFF, 0x2440};
constexpr SwitchPattern kNormalState1 = {0xFFFF, 0x0008};
constexpr SwitchPattern kNormalState2 = {0x3FFF, 0x0A80};
// Ganging leaves the neighbour fields (bits 10-11 lower, 8-9 upper) to the
// call: code 1 linked, 2 not.
constexpr SwitchPattern kGangState2 = {0x3FFF, 0x2040};
constexpr uint32_t kLinked = 1;
constexpr uint32_t kNotLinked = 2;
constexpr uint32_t kLowerNeighbourShift = 10;
constexpr uint32_t kUpperNeighbourShift = 8;
constexpr uint32_t kCommitBit = 1u << 0;
constexpr uint32_t kInComplianceBit = 1u << 6;
constexpr uint32_t kErrorResetBit26 = 1u << 26;
constexpr uint32_t kErrorResetBit27 = 1u << 27;
constexpr uint32_t kTableEntryMask = 0x7;
constexpr uint32_t kTableLoadStrobe = 1u << 4;
constexpr uint32_t kGainMask = 0xFFFFF;
constexpr uint32_t kOffsetMask = 0xFFFFFF;
constexpr uint32_t kDacLimitMask = 0x3FFF;
constexpr uint32_t kOpenLoopDacMask = 0xFFF;
constexpr uint32_t kRangeMask = 0x7;
constexpr uint32_t kControlModeMask = 0x7;

// Sets the masked bits of the shadow and sends the whole register, changed
// or not. Nothing is staged once the status holds an error.
template <typename Reg>
void forceBits(Reg& reg, uint32_t mask, uint32_t value, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  reg.updateRegister(mask, value & mask, status, true);
}

template <typename Reg>
void forcePattern(Reg& reg, SwitchPattern pattern, nKIVAPALS100::tStatus& status) {
  forceBits(reg, pattern.mask, pattern.codes, status);
}

// Sets strobe bits and writes them; the map's keep mask drops them again.
template <typename Reg>
void strobe(Reg& reg, uint32_t bits, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  reg.updateRegister(0, bits, status);
}

}  // namespace

void IsoChannelController::commit(nKIVAPALS100::tStatus& status) { strobe(map_.DataTransferReg, kCommitBit, status); }

void IsoChannelController::resetChannel(uint8_t currentRangeCode, nKIVAPALS100::tStatus& status) {
  forcePattern(map_.ChState1Reg, kResetState1, status);
  forcePattern(map_.ChState2Reg, kResetState2, status);
  forceBits(map_.ApparentIRangeReg, kRangeMask, currentRangeCode, status);
  commit(status);
}

void IsoChannelController::connectToCalibrationBus(nKIVAPALS100::tStatus& status) {
  forcePattern(map_.ChState1Reg, kCalibrationBusState1, status);
  forcePattern(map_.ChState2Reg, kCalibrationBusState2, status);
  commit(status);
}

void IsoChannelController::disconnectFromCalibrationBus(nKIVAPALS100::tStatus& status) {
  forcePattern(map_.ChState2Reg, kNormalState2, status);
  forcePattern(map_.ChState1Reg, kNormalState1, status);
  commit(status);
}

void IsoChannelController::configureGanging(bool lowerNeighbourLinked, bool upperNeighbourLinked,
                                            nKIVAPALS100::tStatus& status) {
  const uint32_t codes = kGangState2.codes | (lowerNeighbourLinked ? kLinked : kNotLinked) << kLowerNeighbourShift |
                         (upperNeighbourLinked ? kLinked : kNotLinked) << kUpperNeighbourShift;
  forcePattern(map_.ChState2Reg, SwitchPattern{kGangState2.mask, codes}, status);
  commit(status);
}

bool IsoChannelController::isInCompliance(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  nKIVAPALS100::tStatus readStatus;
  map_.ChannelStatusReg.refresh(readStatus);
  status.merge(readStatus);
  return (map_.ChannelStatusReg.getRegister() & kInComplianceBit) != 0;
}

void IsoChannelController::readOcpCounterMax(uint16_t& first, uint16_t& second, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t maxima = map_.OcpCounterMaxReg.readRegister(status);
  if (status.isFatal()) return;
  first = static_cast<uint16_t>(maxima >> 16);
  second = static_cast<uint16_t>(maxima);
}

void IsoChannelController::strobeErrorResetBit26(nKIVAPALS100::tStatus& status) {
  misc_.strobe(kErrorResetBit26, status);
}

void IsoChannelController::strobeErrorResetBit27(nKIVAPALS100::tStatus& status) {
  misc_.strobe(kErrorResetBit27, status);
}

void IsoChannelController::configureControlMode(bool flexLoopEnabled, uint16_t openLoopDacValue,
                                                nKIVAPALS100::tStatus& status) {
  forceBits(map_.OpenLoopDacReg, kOpenLoopDacMask, openLoopDacValue, status);
  commit(status);
  forceBits(map_.ControlModeReg, kControlModeMask, flexLoopEnabled ? 1u : 0u, status);
}

void IsoChannelController::loadCalibrationTableEntry(uint32_t entry, uint32_t gainA, uint32_t gainB, uint32_t offset,
                                                     nKIVAPALS100::tStatus& status) {
  forceBits(map_.TableConfigReg, kTableEntryMask | kTableLoadStrobe, (entry & kTableEntryMask) | kTableLoadStrobe,
            status);
  forceBits(map_.CalGainRegType[2], kGainMask, gainA, status);
  forceBits(map_.CalGainRegType[3], kGainMask, gainB, status);
  forceBits(map_.CalOffsetRegType[2], kOffsetMask, offset, status);
}

void IsoChannelController::loadCalibrationTableEntryZero(uint32_t gainA, uint32_t gainB, uint32_t offset,
                                                         nKIVAPALS100::tStatus& status) {
  loadCalibrationTableEntry(0, gainA, gainB, offset, status);
  commit(status);
}

void IsoChannelController::configureCalibrationGainsAndOffsets(uint32_t gain1, uint32_t gain0, uint32_t offset1,
                                                               uint32_t offset0, nKIVAPALS100::tStatus& status) {
  forceBits(map_.CalGainRegType[1], kGainMask, gain1, status);
  forceBits(map_.CalGainRegType[0], kGainMask, gain0, status);
  forceBits(map_.CalOffsetRegType[1], kOffsetMask, offset1, status);
  forceBits(map_.CalOffsetRegType[0], kOffsetMask, offset0, status);
  commit(status);
}

void IsoChannelController::configureDacLimits(uint16_t minimum, uint16_t maximum, nKIVAPALS100::tStatus& status) {
  forceBits(map_.DacCalReg, kDacLimitMask | kDacLimitMask << 16,
            (minimum & kDacLimitMask) | (static_cast<uint32_t>(maximum) & kDacLimitMask) << 16, status);
  commit(status);
}

}  // namespace vorlan_driver
