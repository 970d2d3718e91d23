#include "device/startup/DefaultEventRouting.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

const DefaultEventRouting::ChannelEvent DefaultEventRouting::kChannelEvents[kChannelEventCount] = {
    {11, 1000}, {9, 1024}, {10, 1048}, {15, 100}, {5, 1144}, {6, 1168}, {7, 1192}, {16, 1384},
};

DefaultEventRouting::DefaultEventRouting(IsolatedControllers& controllers,
                                         vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channels,
                                         vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso,
                                         vorlan_regmaps::tTheQuillNisoFpgaRegMap& niso, WispController& wisp)
    : controllers_(controllers), channels_(channels), iso_(iso), niso_(niso), wisp_(wisp) {}

void DefaultEventRouting::initialize(tStatus& status) {
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    AbstractedEventController& events = *controllers_.abstractedEventTable[c];
    for (const ChannelEvent& e : kChannelEvents) {
      events.mapBusEventToAbstractedEvent(static_cast<uint16_t>(e.baseCode + c), e.index, status);
    }
  }
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    controllers_.abstractedEventTable[c]->mapBusEventToAbstractedEvent(kAbstractedEvent14Code, 14, status);
  }
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    for (uint32_t index = 1; index <= 3; ++index) {
      controllers_.abstractedEventTable[c]->mapBusEventToAbstractedEvent(kSharedEvent, index, status);
    }
    controllers_.measureUnitTable[c]->setEventCode(kSharedEvent, status);
  }
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    channels_[c]->ChEvent0D.writeEventCode(static_cast<uint16_t>(kEvent0DBase + c), status);
  }
  for (uint32_t c = 0; c < kChannelCount; ++c) {
    channels_[c]->ChEvent76.writeEventCode(static_cast<uint16_t>(kEvent76Base + c), status);
  }
  vorlan_regmaps::tTheQuillNisoFpgaRegMap::tPxiTrigOutConfigReg& lines = niso_.PxiTrigOutConfigReg;
  for (uint32_t k = 0; k < kTriggerLineCount; ++k) {
    wisp_.routeChannel(k, kTriggerLineRouteCode, status);
    lines.updateRegister(0, 1u << (16 + k), status);
    iso_.TriggerLineEvent[k].writeEventCode(kSharedEvent, status);
  }
}

}  // namespace vorlan_driver
