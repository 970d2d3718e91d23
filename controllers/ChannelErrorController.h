// The isolated FPGA's error capture for the channels: enabled at the end of
// start-up; captured channel errors cleared by channel mask, with a check
// that the error manager no longer flags them.
#pragma once

#include <stdint.h>

#include "controllers/ErrorCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class ChannelErrorController {
 public:
  static constexpr int64_t kCaptureBusyTimeout = statusCodes::fromWord(0xBFFA4689u);
  static constexpr int64_t kStillFlagged = statusCodes::fromWord(0xBFFA468Du);
  static constexpr uint32_t kCaptureBusyBit = 1u << 1;
  static constexpr uint64_t kBusyTimeoutMicroseconds = 2000000;
  static constexpr uint64_t kBusyPollInitialMicroseconds = 100;
  static constexpr uint64_t kBusyPollMaximumMicroseconds = 2000;
  static constexpr uint64_t kClearTimeoutMicroseconds = 300;
  static constexpr uint64_t kClearPollInitialMicroseconds = 10;
  static constexpr uint64_t kClearPollMaximumMicroseconds = 100;

  // The map and the error checker are not owned and must outlive the
  // controller.
  ChannelErrorController(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, ErrorCheckerInterface& errors,
                         nKIVAPALS100::tStatus& status)
      : iso_(&iso), errors_(&errors), mutex_(status) {}
  ~ChannelErrorController() {}
  ChannelErrorController(const ChannelErrorController&) = delete;
  ChannelErrorController& operator=(const ChannelErrorController&) = delete;

  void enableErrorCapture(nKIVAPALS100::tStatus& status);
  // Writes nothing when the error manager flags none of the channels.
  void clearChannelErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status);

  // The poller's read of the capture unit's status.
  uint32_t readIsoErrorStatus(nKIVAPALS100::tStatus& status) { return iso_->IsoErrorStatus.readRegister(status); }

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* iso_;
  ErrorCheckerInterface* errors_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
