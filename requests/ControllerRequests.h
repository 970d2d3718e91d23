// The device-level requests over the board's controllers past their gates:
// the firmware revision, the subroutine count, the temperature sensor and
// the cooling mode.
#pragma once

#include <stdint.h>

#include "requests/InstrumentRequest.h"

namespace vorlan_driver {
namespace requests {

class ControllerRequests : public InstrumentRequest {
 public:
  static constexpr uint32_t kNoRevision = WispController::kNoVersion;
  // The board has one temperature sensor.
  static constexpr uint32_t kOnlySensor = 0;

  using InstrumentRequest::InstrumentRequest;

  uint32_t getFirmwareRevision(nKIVAPALS100::tStatus& status);
  uint32_t getNumSubroutines(nKIVAPALS100::tStatus& status);
  uint16_t readTemperatureSensor(nKIVAPALS100::tStatus& status);
  // The getters act whatever the status holds; 0 while there is no
  // cooling-mode controller.
  uint32_t getCoolingMode();
  uint32_t getRequestedCoolingMode();
  // Source 1 overrides; a plain set (source 2) gives way to an override in
  // force without an error.
  void setCoolingMode(uint32_t mode, uint32_t source, nKIVAPALS100::tStatus& status);

  // Refused ahead of the gate's verdict, so it shows even when the gate
  // also fails.
  static void checkSensorNumber(uint32_t sensor, nKIVAPALS100::tStatus& status);
};

}  // namespace requests
}  // namespace vorlan_driver
