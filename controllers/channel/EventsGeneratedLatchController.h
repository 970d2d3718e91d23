// One channel's latches of the events it generated: kinds 9, 10 and 11
// latch in their own bits, kind 14 (measure complete) in bit 31. No lock:
// the requests hold the channel for the session first.
#pragma once

#include <stdint.h>

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class EventsGeneratedLatchController {
 public:
  static constexpr uint16_t kMeasureCompleteKind = 14;
  static constexpr uint32_t kAllLatches = 0x1FFFF;

  // The map is not owned and must outlive the controller.
  explicit EventsGeneratedLatchController(vorlan_regmaps::tTheQuillIsoChannelRegMap& channelMap) : map_(channelMap) {}
  virtual ~EventsGeneratedLatchController() {}
  EventsGeneratedLatchController(const EventsGeneratedLatchController&) = delete;
  EventsGeneratedLatchController& operator=(const EventsGeneratedLatchController&) = delete;

  // Another kind is refused with -52002 and nothing read or written.
  bool isEventLatched(uint32_t kind, nKIVAPALS100::tStatus& status);
  void clearEventLatch(uint32_t kind, nKIVAPALS100::tStatus& status);
  // Two writes: the 17 event latches, then measure complete.
  void clearAllEventLatches(nKIVAPALS100::tStatus& status);

 private:
  static bool isBitKind(uint16_t kind) { return kind == 9 || kind == 10 || kind == 11; }

  vorlan_regmaps::tTheQuillIsoChannelRegMap& map_;
};

}  // namespace vorlan_driver
