// Maps bus events onto one channel's 17 abstracted events: each abstracted
// event's register holds the 16-bit code of the bus event it stands for.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class AbstractedEventController {
 public:
  static constexpr uint32_t kAbstractedEventCount = 17;
  static constexpr int64_t kValueOutOfRange = statusCodes::fromWord(0xBFFA4300u);

  // The map is not owned and must outlive the controller.
  explicit AbstractedEventController(vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap) : map_(channelMap) {}
  virtual ~AbstractedEventController() {}
  AbstractedEventController(const AbstractedEventController&) = delete;
  AbstractedEventController& operator=(const AbstractedEventController&) = delete;

  // An index past the last abstracted event names no register: refused
  // with nothing written.
  virtual void mapBusEventToAbstractedEvent(uint16_t busEvent, uint32_t index, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    if (index >= kAbstractedEventCount) {
      vorlanSetCode(status, kValueOutOfRange);
      return;
    }
    map_.AbstractedEventCode[index].writeEventCode(busEvent, status);
  }

 private:
  vorlan_regmaps::tTheQuillIsoChannelRegMap& map_;
};

}  // namespace vorlan_driver
