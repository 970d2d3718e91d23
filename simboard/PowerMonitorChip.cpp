#include "simboard/PowerMonitorChip.h"

#include <memory>

namespace simboard {

namespace {
class ChipRegisters : public RegisterBlock {
 public:
  ChipRegisters() : RegisterBlock(8, 1) {
    poke(0, 16, PowerMonitorChip::kConfigurationPowerOn);
    for (uint64_t measurement = 1; measurement <= 4; ++measurement) onWrite(measurement, [](uint32_t, uint64_t) {});
  }
};
}  // namespace

PowerMonitorChip::PowerMonitorChip()
    : space_(Space::kPowerMonitor, 8, 0), registers_(&space_.add(0, std::make_unique<ChipRegisters>())) {}

std::vector<PowerMonitorChip::Access> PowerMonitorChip::log() const {
  std::vector<Access> out;
  for (const simboard::Access& a : space_.log().entries()) {
    if (a.space != Space::kPowerMonitor) continue;
    out.push_back(Access{static_cast<uint32_t>(a.offset), a.direction == Direction::kWrite,
                         static_cast<uint16_t>(a.value)});
  }
  return out;
}

}  // namespace simboard
