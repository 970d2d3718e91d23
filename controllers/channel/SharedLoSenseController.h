// The four shared LO-sense ADCs: which endpoint each senses, and their gain
// and offset calibration. The registers serve any session, so each
// operation holds the controller's mutex.
#pragma once

#include <stdint.h>

#include "controllers/ControllerGuard.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class SharedLoSenseController {
 public:
  static constexpr int64_t kBadEndpoint = statusCodes::fromWord(0xBFFA431Eu);

  // The map is not owned and must outlive the controller.
  SharedLoSenseController(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, nKIVAPALS100::tStatus& status)
      : iso_(iso), mutex_(status) {}
  ~SharedLoSenseController() {}
  SharedLoSenseController(const SharedLoSenseController&) = delete;
  SharedLoSenseController& operator=(const SharedLoSenseController&) = delete;

  // Endpoint e of ADC n is strobe bit 2n + e; an endpoint above 1 is
  // refused with nothing written. The ADC number is the request's to check.
  void setEndpoint(uint16_t adc, uint32_t endpoint, nKIVAPALS100::tStatus& status) {
    ControllerGuard guard(mutex_, status);
    if (!guard.holds()) return;
    if (endpoint > 1) {
      vorlanSetCode(status, kBadEndpoint);
      return;
    }
    iso_.SLosEnableReg.writeRegister(1u << ((2u * (adc & 3u) + endpoint) & 7u), status);
  }
  // Each written only when it changed.
  void configureGainAndOffset(uint16_t adc, uint32_t gain, uint32_t offset, nKIVAPALS100::tStatus& status) {
    ControllerGuard guard(mutex_, status);
    if (!guard.holds()) return;
    iso_.CalGainRegType[adc & 3].writeCalGain(gain & 0xFFFFFu, status);
    iso_.CalOffsetRegType[adc & 3].writeCalOffset(offset & 0xFFFFFFu, status);
  }

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
