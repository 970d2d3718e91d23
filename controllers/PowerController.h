// Powers the isolated side and keeps the board inside the chassis's power
// budget: the isolation transformer's soft start, the AC and DC current
// limits (the DC one depends on the chassis cooling mode), the calibration
// of the chassis power monitor and the monitor relay's configuration.
#pragma once

#include <stdint.h>

#include "controllers/CoolingModeInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/nonisolated/tIna231RegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class PowerController : public CoolingModeInterface {
 public:
  static constexpr int64_t kCoolingModeNotSupported = statusCodes::fromWord(0xBFFA4300u);

  static constexpr uint16_t kACCurrentLimit = 32500;
  static constexpr uint16_t kDCCurrentLimitStandard = 17500;  // modes 16-31
  static constexpr uint16_t kDCCurrentLimitHighCooling = 30000;  // mode 32
  static constexpr uint32_t kFirstStandardMode = 16;
  static constexpr uint32_t kLastStandardMode = 31;
  static constexpr uint32_t kHighCoolingMode = 32;
  // Boards after revision 4 carry a shunt of half the resistance.
  static constexpr uint32_t kLastRevisionWithOldShunt = 4;
  static constexpr uint16_t kMonitorCalibrationOldShunt = 2560;
  static constexpr uint16_t kMonitorCalibrationNewShunt = 5120;

  // The start-up soft start.
  static constexpr uint32_t kRampFrequencyWord = 191;
  static constexpr uint64_t kRampStepDelayNanoseconds = 9395;
  static constexpr uint16_t kRampStartDuty = 23;
  static constexpr uint16_t kRampEndDuty = 172;
  static constexpr uint16_t kRampStep = 20;
  static constexpr uint64_t kRampFinalDelayNanoseconds = 500000000;

  // The maps are not owned and must outlive the controller.
  PowerController(vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, vorlan_regmaps::tIna231RegMap& monitor,
                  uint32_t boardRevision)
      : niso_(&niso), monitor_(&monitor), boardRevision_(boardRevision) {}
  ~PowerController() override {}

  virtual void configure(uint32_t coolingMode, nKIVAPALS100::tStatus& status);
  // Steps the duty cycle from `startDuty` by `step` while it stays at or
  // below `endDuty`, starting the transformer with the first duty word;
  // each duty is held for the step delay, the last one for the final delay,
  // spinning on the kernel timer (the transformer must not be left
  // half-started by a sleep).
  virtual void rampTransformer(uint32_t frequencyWord, uint64_t stepDelayNanoseconds, uint16_t startDuty,
                               uint16_t endDuty, uint16_t step, uint64_t finalDelayNanoseconds,
                               nKIVAPALS100::tStatus& status);
  virtual void setDCCurrentLimit(uint32_t coolingMode, nKIVAPALS100::tStatus& status);

  void applyCoolingMode(uint32_t mode, nKIVAPALS100::tStatus& status) override { setDCCurrentLimit(mode, status); }

 private:
  static void spin(uint64_t nanoseconds);

  vorlan_regmaps::tTheQuillNisoFpgaRegMap* niso_;
  vorlan_regmaps::tIna231RegMap* monitor_;
  uint32_t boardRevision_;
};

}  // namespace vorlan_driver
