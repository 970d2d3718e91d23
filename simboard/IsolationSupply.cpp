#include "simboard/IsolationSupply.h"

#include "kal/include/kalStandIn.h"

namespace simboard {

void IsolationSupply::linkConfigWritten(uint32_t value, bool powered) {
  const uint32_t mode = value & kLinkModeMask;
  const bool accepted = (mode == kDownloadMode && powered) || (mode == kRunMode && powered && isolatedConfigured_);
  if (accepted && !linkModeStuck_) linkStatus_ = (linkStatus_ & ~kLinkModeMask) | mode;
  const bool running = (linkStatus_ & kLinkModeMask) == kRunMode;
  if ((value & kDcBusStartStrobe) != 0 && running && powered && !dcBusNeverUp_) linkStatus_ |= kDcBusUp;
}

void IsolationSupply::isolatedImageLoaded() {
  if ((linkStatus_ & kLinkModeMask) == kDownloadMode) isolatedConfigured_ = true;
}

void IsolationSupply::reset() {
  linkStatus_ = 0;
  isolatedConfigured_ = false;
  frequency_ = 0;
  dutyCycle_ = 0;
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
