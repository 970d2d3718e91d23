// Keeps the chassis cooling mode in the device's cooling-mode word and makes
// a change take effect through the power controller. An override outranks
// a plain set: once the mode was overridden, only further overrides change
// it, and plain sets are ignored without an error.
#pragma once

#include <stdint.h>

#include "controllers/CoolingModeInterface.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace vorlan_driver {

// Lives in the device and outlives the controllers, so an override survives
// a reset. The device starts it as {16, 0}.
struct CoolingModeWord {
  uint32_t mode;
  uint32_t source;
};
static_assert(sizeof(CoolingModeWord) == 8, "cooling-mode word is {mode, source}");

class CoolingModeController {
 public:
  static constexpr uint32_t kSourceOverride = 1;
  static constexpr uint32_t kSourcePlainSet = 2;
  static constexpr uint32_t kModeMask = 0xFF;

  // The word and the interface are not owned and must outlive the controller.
  CoolingModeController(uint32_t requestedMode, CoolingModeWord& word, CoolingModeInterface& power,
                        nKIVAPALS100::tStatus& status)
      : requestedMode_(requestedMode), power_(&power), word_(&word), mutex_(status) {}
  virtual ~CoolingModeController() {}
  CoolingModeController(const CoolingModeController&) = delete;
  CoolingModeController& operator=(const CoolingModeController&) = delete;

  void setCoolingMode(uint32_t mode, uint32_t source, nKIVAPALS100::tStatus& status);
  uint32_t getCoolingMode(nKIVAPALS100::tStatus& status);
  uint32_t getRequestedCoolingMode() const { return requestedMode_; }

 private:
  uint32_t requestedMode_;
  CoolingModeInterface* power_;
  CoolingModeWord* word_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
