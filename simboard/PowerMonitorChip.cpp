#include "simboard/PowerMonitorChip.h"

namespace simboard {

PowerMonitorChip::PowerMonitorChip() : registers_{} { registers_[0] = kConfigurationPowerOn; }

uint16_t PowerMonitorChip::read(uint32_t chipRegister) {
  const uint16_t value = peek(chipRegister);
  log_.push_back(Access{chipRegister & 7, false, value});
  return value;
}

void PowerMonitorChip::write(uint32_t chipRegister, uint16_t value) {
  chipRegister &= 7;
  log_.push_back(Access{chipRegister, true, value});
  if (chipRegister >= 1 && chipRegister <= 4) return;
  registers_[chipRegister] = value;
}

}  // namespace simboard
