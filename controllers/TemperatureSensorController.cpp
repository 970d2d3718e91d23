#include "controllers/TemperatureSensorController.h"

#include "platform/time/tTimeWasterSpin.h"

namespace vorlan_driver {

void TemperatureSensorController::configure(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  auto& config = iso_->VrefTempSensorConfigReg;
  config.setBits16to17(kSensorMode).setBits8to15(kFilterSetting).setBits0to7(kFilterSetting).setBit18(true);
  config.flush(status);
  if (status.isFatal()) return;
  nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSpin, nKIVAPAL000::tTimebasePrecise> settle;
  settle.setTimeout(kSettleMicroseconds);
  settle.start();
  settle.waitForTimeout();
  config.setBit23(true).flush(status);
}

uint32_t TemperatureSensorController::readTemperature(nKIVAPALS100::tStatus& status) {
  auto& reg = niso_->VrefTemperatureReg;
  if (status.isFatal()) return reg.getRegister() & ~kValidBit;
  poller_.poll(*this, &TemperatureSensorController::readVrefTemperature, kValidBit, kValidBit,
               kValidTimeoutMicroseconds, true, decltype(poller_)::kMaskedValueEquals, status);
  return reg.getRegister() & ~kValidBit;
}

}  // namespace vorlan_driver
