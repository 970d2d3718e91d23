#include "controllers/XAdcLimitsController.h"

namespace vorlan_driver {

const XAdcLimitsController::Limits XAdcLimitsController::kDefaults[kPairCount] = {
    {0x849, 0xFFF},   // odd windows 1-23
    {0x000, 0x7CC},   // even windows 0-22
    {0xE70, 0x6E0},   // CPLD temperature
    {0x7C7, 0x8CF},   // window 34
    {0x55A, 0x654},   // window 29
    {0x7E5, 0xC2F},   // window 40
    {0xC02, 0xD50},   // window 32
    {0x000, 0xFFF},   // window 39
    {0x9F2, 0xB08},   // window 31
    {0x50E, 0x623},   // window 30
    {0x9F6, 0xBFF},   // window 25
    {0xDA8, 0xEA9},   // window 27
    {0xD0B, 0xE20},   // window 38
    {0x40F, 0x5E8},   // window 24
    {0x16B, 0x26F},   // window 26
    {0x22B, 0x32C},   // window 37
    {0x260, 0x510},   // window 28
    {0x538, 0x60D},   // window 36
    {0x5E3, 0x6B1},   // window 35
    {0x38E, 0x4E6},   // window 33
    {0xE70, 0x6E0},   // reference temperature
    {0x4000, 0x3FFF}, // transformer minus rail
    {0x1A00, 0x2000}, // transformer plus rail
};

const uint8_t XAdcLimitsController::kWindowPair[kWindowCount] = {
    1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0,  // windows 0-23
    13, 10, 14, 11, 16, 4, 9, 8, 6, 19, 3, 18, 17, 15, 12, 7, 5,            // windows 24-40
};

XAdcLimitsController::Limits XAdcLimitsController::pairOf(const uint8_t* record, uint32_t pair) {
  if (record == nullptr) return kDefaults[pair];
  const uint8_t* at = record + 4 * pair;
  return Limits{static_cast<uint16_t>(at[0] | at[1] << 8), static_cast<uint16_t>(at[2] | at[3] << 8)};
}

// Every write is sent, changed or not: the monitor's windows may have been
// reset with the isolated FPGA while the shadows kept their values.
void XAdcLimitsController::configureWindowLimits(const uint8_t* record, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  Limits l = pairOf(record, kXfmrPlusPair);
  iso_->XfmrPlusWindowLimitsReg.setBits0to14(l.lower & kRailFieldMask)
      .setBits16to30(l.upper & kRailFieldMask)
      .flush(status, true);
  l = pairOf(record, kXfmrMinusPair);
  iso_->XfmrMinusWindowLimitsReg.setBits0to14(l.lower & kRailFieldMask)
      .setBits16to30(l.upper & kRailFieldMask)
      .flush(status, true);
  l = pairOf(record, kVrefTempPair);
  iso_->VrefTempWindowLimitsReg.setBits0to11(l.lower & kFieldMask).setBits16to27(l.upper & kFieldMask).flush(status, true);
  l = pairOf(record, kCpldTempPair);
  iso_->CpldTempWindowLimitsReg.setBits0to11(l.lower & kFieldMask).setBits16to27(l.upper & kFieldMask).flush(status, true);
  for (uint32_t n = 0; n < kWindowCount && status.isNotFatal(); ++n) {
    l = pairOf(record, kWindowPair[n]);
    iso_->XAdcWindowLimitsReg.setXAdcWindowLowLimit(l.lower & kFieldMask)
        .setXAdcWindowHighLimit(l.upper & kFieldMask)
        .flush(status, true);
    iso_->UpdateXAdcLimitsReg.setWindowIndex(static_cast<uint8_t>(n)).flush(status, true);
  }
}

}  // namespace vorlan_driver
