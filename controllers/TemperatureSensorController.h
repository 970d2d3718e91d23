// The isolated FPGA's reference temperature sensor: configured once at
// start-up, its filtered value read from the non-isolated FPGA, which
// presents it with a valid bit.
#pragma once

#include <stdint.h>

#include "framework/atut/Poller.h"
#include "framework/kdut/CheckHardwareStateTimeoutHandler.h"
#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class TemperatureSensorController {
 public:
  static constexpr int64_t kNotValidTimeout = statusCodes::fromWord(0xBFFA4329u);
  static constexpr uint64_t kValidTimeoutMicroseconds = 500000;
  static constexpr uint64_t kPollInitialMicroseconds = 100;
  static constexpr uint64_t kPollMaximumMicroseconds = 100000;
  // The sensor needs this long between its configuration and its start.
  static constexpr uint64_t kSettleMicroseconds = 165;
  static constexpr uint8_t kFilterSetting = 0x60;
  static constexpr uint8_t kSensorMode = 1;
  static constexpr uint32_t kValidBit = 0x8000u;

  // The maps and the checker are not owned and must outlive the controller.
  TemperatureSensorController(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso,
                              vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                              kdut::HardwareStateCheckerInterface& checker)
      : niso_(&niso),
        iso_(&iso),
        timeoutHandler_(&checker, static_cast<int32_t>(kNotValidTimeout)),
        poller_(kPollInitialMicroseconds, kPollMaximumMicroseconds, 0, &timeoutHandler_) {}
  virtual ~TemperatureSensorController() {}
  TemperatureSensorController(const TemperatureSensorController&) = delete;
  TemperatureSensorController& operator=(const TemperatureSensorController&) = delete;

  void configure(nKIVAPALS100::tStatus& status);
  // The register's last value with the valid bit cleared: the reading is in
  // bits 0-14.
  uint32_t readTemperature(nKIVAPALS100::tStatus& status);

  // The poller's read of the temperature register.
  uint32_t readVrefTemperature(nKIVAPALS100::tStatus& status) {
    return niso_->VrefTemperatureReg.readRegister(status);
  }

 private:
  using tSleepTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;

  vorlan_regmaps::tTheQuillNisoFpgaRegMap* niso_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* iso_;
  kdut::CheckHardwareStateTimeoutHandler timeoutHandler_;
  atut::Poller<tSleepTimeout, uint32_t> poller_;
};

}  // namespace vorlan_driver
