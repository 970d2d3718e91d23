#include "controllers/PowerController.h"

#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {
using tSpinTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSpin, nKIVAPAL000::tTimebaseEfficient>;
}  // namespace

void PowerController::spin(uint64_t nanoseconds) {
  tSpinTimeout wait;
  // Never shorter than asked.
  wait.setTimeout(nanoseconds / 1000 + (nanoseconds % 1000 != 0 ? 1 : 0));
  wait.start();
  wait.waitForTimeout();
}

// The duty word is counted in 32 bits: with a step of 0, or an end duty
// near the top of the 16-bit range, a 16-bit count would never pass the end
// and the start-up thread would spin for ever. A step of 0 is one pass.
void PowerController::rampTransformer(uint32_t frequencyWord, uint64_t stepDelayNanoseconds, uint16_t startDuty,
                                      uint16_t endDuty, uint16_t step, uint64_t finalDelayNanoseconds,
                                      nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || endDuty < startDuty) return;
  auto& duty = niso_->TransformerDutyCycleReg;
  auto& frequency = niso_->TransformerFrequencyReg;
  bool first = true;
  for (uint32_t word = startDuty;;) {
    duty.setDutyCycle(static_cast<uint16_t>(word)).flush(status);
    if (first) {
      frequency.setStart(true).setFrequency(static_cast<uint16_t>(frequencyWord)).flush(status);
      first = false;
    }
    if (status.isFatal()) return;
    const uint32_t next = word + step;
    const bool last = step == 0 || next > endDuty;
    spin(last ? finalDelayNanoseconds : stepDelayNanoseconds);
    if (last) return;
    word = next;
  }
}

void PowerController::setDCCurrentLimit(uint32_t coolingMode, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  uint16_t limit = 0;
  if (coolingMode >= kFirstStandardMode && coolingMode <= kLastStandardMode) {
    limit = kDCCurrentLimitStandard;
  } else if (coolingMode == kHighCoolingMode) {
    limit = kDCCurrentLimitHighCooling;
  } else {
    vorlanSetCode(status, kCoolingModeNotSupported);
    return;
  }
  niso_->DCCurrentLimitReg.setLimit(limit).flush(status);
}

void PowerController::configure(uint32_t coolingMode, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  niso_->ACCurrentLimitReg.setLimit(kACCurrentLimit).flush(status);
  setDCCurrentLimit(coolingMode, status);
  if (status.isFatal()) return;
  monitor_->Ina231CalibrationReg
      .setCalibration(boardRevision_ > kLastRevisionWithOldShunt ? kMonitorCalibrationNewShunt
                                                                 : kMonitorCalibrationOldShunt)
      .flush(status);
  if (status.isFatal()) return;
  // Bits 30 and 31 act once per write (the keep-mask drops them again).
  auto& relay = niso_->ChassisPowerMonConfigReg;
  relay.setBit31(false).setBit30(true).flush(status, true);
}

}  // namespace vorlan_driver
