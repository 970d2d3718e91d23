#include "simboard/AnalogMonitor.h"

#include "kal/include/kalStandIn.h"

namespace simboard {

void AnalogMonitor::isolatedWrite(uint32_t address, uint32_t value, uint32_t staged) {
  if (address == kSensorConfigAddress) {
    sensorWrites_.push_back(SensorWrite{value, kalsim::virtualNanoseconds()});
    if ((value & kSensorStart) != 0) started_ = true;
  } else if (address == kUpdateWindowAddress) {
    const uint32_t index = value & kWindowIndexMask;
    windows_[index] = staged;
    windowLoads_.push_back(index);
  }
}

uint32_t AnalogMonitor::temperatureRegister() const {
  const uint32_t value = temperature_ & kTemperatureMask;
  return started_ && !neverValid_ ? value | kValidBit : value;
}

}  // namespace simboard
