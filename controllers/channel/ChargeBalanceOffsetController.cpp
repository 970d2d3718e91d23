#include "controllers/channel/ChargeBalanceOffsetController.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

namespace {

// The accumulation register each selector reads: 0 and 1 are crossed.
constexpr uint32_t kResultRegister[ChargeBalanceOffsetController::kAccumulatorCount] = {1, 0, 2, 3, 4};
constexpr uint32_t kOffsetMask = 0x0FFFFFFFu;

bool refuseCount(uint64_t count, nKIVAPALS100::tStatus& status) {
  if (count <= ChargeBalanceOffsetController::kMaximumEntries) return false;
  vorlanSetCode(status, ChargeBalanceOffsetController::kValueOutOfRange);
  return true;
}

}  // namespace

template <typename OffsetReg>
void ChargeBalanceOffsetController::loadTable(OffsetReg& reg, const uint32_t* table, uint64_t count,
                                              nKIVAPALS100::tStatus& status) {
  for (uint64_t i = 0; i < count && status.isNotFatal(); ++i) {
    reg.setModQData(static_cast<uint8_t>(i & 0xF)).setChargeBalanceOffset(table[i] & kOffsetMask).flush(status, true);
  }
}

void ChargeBalanceOffsetController::configureChannelOffsets(uint8_t channel, const uint32_t* first,
                                                            const uint32_t* second, const uint32_t* third,
                                                            const uint32_t* fourth, uint64_t count,
                                                            nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds() || refuseCount(count, status)) return;
  if (channel >= channelCount_) {
    vorlanSetCode(status, kValueOutOfRange);
    return;
  }
  auto& offsets = channels_[channel]->ChargeBalanceOffsetRegType;
  loadTable(offsets[1], first, count, status);
  loadTable(offsets[0], second, count, status);
  loadTable(offsets[2], third, count, status);
  loadTable(offsets[3], fourth, count, status);
}

void ChargeBalanceOffsetController::configureSharedLoSenseOffsets(uint16_t adc, const uint32_t* table, uint64_t count,
                                                                  nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds() || refuseCount(count, status)) return;
  loadTable(iso_.ChargeBalanceOffsetRegType[adc & 3], table, count, status);
}

void ChargeBalanceOffsetController::startAccumulation(uint32_t channel, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  iso_.CboAccumulatorControlReg.setChannel(static_cast<uint8_t>(channel & 0x1F)).setStartStb(true).flush(status, true);
}

void ChargeBalanceOffsetController::fetchAccumulation(uint32_t selector, int32_t* sums, uint32_t* counts,
                                                      uint64_t count, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds() || refuseCount(count, status)) return;
  if (selector >= kAccumulatorCount) {
    vorlanSetCode(status, kValueOutOfRange);
    return;
  }
  auto& result = iso_.CboAccumulationReg[kResultRegister[selector]];
  for (uint64_t i = 0; i < count; ++i) {
    if (status.isNotFatal()) {
      iso_.CboAccumulatorControlReg.setEntry(static_cast<uint8_t>(i & 0xF)).flush(status, true);
      for (uint32_t w = 0; w < kScratchWrites; ++w) iso_.IsoScratchReg.writeRegister(0, status, true);
      result.refresh(status);
    }
    sums[i] = sumOf(result.getRegister());
    counts[i] = countOf(result.getRegister());
  }
}

}  // namespace vorlan_driver
