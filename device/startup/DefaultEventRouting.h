// The routes every channel and PXI trigger line has before user mode routes
// anything: each channel's abstracted events stand for fixed bus events,
// its measure-complete and two further event registers carry fixed codes,
// and every trigger line is handed back to the isolated side with event 14.
// The same on both board variants; routes programmed later overwrite these
// registers, and a new owner writes them again.
#pragma once

#include <stdint.h>

#include "controllers/WispController.h"
#include "controllers/channel/IsolatedControllers.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class DefaultEventRouting {
 public:
  static constexpr uint32_t kChannelCount = IsolatedControllers::kChannelCount;
  static constexpr uint32_t kTriggerLineCount = 8;
  // What the isolated-port switch is told for each trigger line's slot.
  static constexpr uint32_t kTriggerLineRouteCode = 3;
  // The event the trigger lines, the channels' measure-complete event and
  // abstracted events 1-3 carry.
  static constexpr uint16_t kSharedEvent = 14;
  static constexpr uint16_t kAbstractedEvent14Code = 15;

  // One per-channel abstracted event: index and the code of channel 0, the
  // channel's number added.
  struct ChannelEvent {
    uint32_t index;
    uint16_t baseCode;
  };
  static constexpr uint32_t kChannelEventCount = 8;
  static const ChannelEvent kChannelEvents[kChannelEventCount];
  // The two further event registers' codes of channel 0.
  static constexpr uint16_t kEvent0DBase = 100;
  static constexpr uint16_t kEvent76Base = 1384;

  // Nothing is owned; everything must outlive this object.
  DefaultEventRouting(IsolatedControllers& controllers, vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels,
                      vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso,
                      WispController& wisp);
  DefaultEventRouting(const DefaultEventRouting&) = delete;
  DefaultEventRouting& operator=(const DefaultEventRouting&) = delete;

  // Every write goes out when its value changed or its register is dirty;
  // the first failure stops the rest.
  void initialize(nKIVAPALS100::tStatus& status);

 private:
  IsolatedControllers& controllers_;
  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels_;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso_;
  WispController& wisp_;
};

}  // namespace vorlan_driver
