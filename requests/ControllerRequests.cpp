#include "requests/ControllerRequests.h"

namespace vorlan_driver {
namespace requests {

using nKIVAPALS100::tStatus;

uint32_t ControllerRequests::getFirmwareRevision(tStatus& status) {
  if (built(objects_.wisp, status) == nullptr) return kNoRevision;
  const uint32_t revision = facade().getFirmwareRevision(status);
  return status.isNotFatal() ? revision : kNoRevision;
}

uint32_t ControllerRequests::getNumSubroutines(tStatus& status) {
  SubroutineRegistrar* registrar = built(objects_.registrar, status);
  if (registrar == nullptr) return 0;
  const uint32_t count = registrar->getNumSubroutines(status);
  return status.isNotFatal() ? count : 0;
}

uint16_t ControllerRequests::readTemperatureSensor(tStatus& status) {
  IsolatedControllers* controllers = isolated(status);
  if (controllers == nullptr) return 0;
  const uint32_t reading = controllers->temperatureSensor.readTemperature(status);
  return status.isNotFatal() ? static_cast<uint16_t>(reading) : 0;
}

uint32_t ControllerRequests::getCoolingMode() {
  tStatus own;
  return facade().getCoolingMode(own);
}

uint32_t ControllerRequests::getRequestedCoolingMode() {
  tStatus own;
  return facade().getRequestedCoolingMode(own);
}

void ControllerRequests::setCoolingMode(uint32_t mode, uint32_t source, tStatus& status) {
  if (built(objects_.coolingMode, status) != nullptr) facade().setCoolingMode(mode, source, status);
}

void ControllerRequests::checkSensorNumber(uint32_t sensor, tStatus& status) {
  if (status.isNotFatal() && sensor != kOnlySensor) vorlanSetCode(status, kValueOutOfRange);
}

}  // namespace requests
}  // namespace vorlan_driver
