#include "requests/ControllerRequests.h"

namespace vorlan_driver {
namespace requests {

using nKIVAPALS100::tStatus;

uint32_t ControllerRequests::getFirmwareRevision(tStatus& status) {
  WispController* wisp = built(objects_.wisp, status);
  if (wisp == nullptr) return kNoRevision;
  const uint32_t revision = wisp->getVersion(status);
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
  if (objects_.coolingMode == nullptr) return 0;
  tStatus own;
  return objects_.coolingMode->getCoolingMode(own);
}

uint32_t ControllerRequests::getRequestedCoolingMode() {
  return objects_.coolingMode != nullptr ? objects_.coolingMode->getRequestedCoolingMode() : 0;
}

void ControllerRequests::setCoolingMode(uint32_t mode, uint32_t source, tStatus& status) {
  CoolingModeController* controller = built(objects_.coolingMode, status);
  if (controller != nullptr) controller->setCoolingMode(mode, source, status);
}

void ControllerRequests::checkSensorNumber(uint32_t sensor, tStatus& status) {
  if (status.isNotFatal() && sensor != kOnlySensor) vorlanSetCode(status, kValueOutOfRange);
}

}  // namespace requests
}  // namespace vorlan_driver
