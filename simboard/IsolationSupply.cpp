#include "simboard/IsolationSupply.h"

#include "kal/include/kalStandIn.h"

namespace simboard {

void IsolationSupply::linkConfigWritten(uint32_t value) {
  if (!linkModeStuck_) linkStatus_ = (linkStatus_ & ~kLinkModeMask) | (value & kLinkModeMask);
  if ((value & kDcBusStartStrobe) != 0 && !dcBusNeverUp_) linkStatus_ |= kDcBusUp;
}

void IsolationSupply::transformerWritten(uint64_t offset, uint32_t value) {
  transformerWrites_.push_back(TransformerWrite{offset, value, kalsim::virtualNanoseconds()});
  if (offset == kFrequencyOffset) frequency_ = value;
  if (offset == kDutyCycleOffset) dutyCycle_ = value;
}

bool IsolationSupply::isRunning() const {
  return !transformerDead_ && (frequency_ & kRunBit) != 0 && (dutyCycle_ & kDutyMask) != 0;
}

}  // namespace simboard
