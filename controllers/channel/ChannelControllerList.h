// The controllers of the channels of one mask, lowest channel first, between
// the board's own two: every entry a shared reference, so the list keeps
// them alive as long as it lives, whoever else lets go.
#pragma once

#include <stdint.h>

#include "controllers/channel/ChannelControllerProvider.h"
#include "platform/containers/tSharedPointer.h"
#include "platform/containers/tSharedPointerVector.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class ChannelControllerList {
 public:
  // Takes the board's controllers, then, while the status stays clean, the
  // error and interrupt controller of each channel of the mask. A refused
  // append (-52000) ends the list there; what was taken stays held until
  // the list goes.
  ChannelControllerList(ChannelControllerProvider& provider, uint64_t channelMask, nKIVAPALS100::tStatus& status);
  ChannelControllerList(const ChannelControllerList&) = delete;
  ChannelControllerList& operator=(const ChannelControllerList&) = delete;

  nKIVAPAL000::tSharedPointer<basalt_shared::ErrorControllerInterface> boardErrorController;
  nKIVAPAL000::tSharedPointerVector<basalt_shared::ErrorControllerInterface> errorControllers;
  nKIVAPAL000::tSharedPointerVector<basalt_shared::ChannelInterruptControllerInterface> interruptControllers;
  nKIVAPAL000::tSharedPointer<basalt_shared::ChannelInterruptControllerInterface> boardInterruptController;
};

// The list of the mask's channels, built in place.
inline ChannelControllerList buildChannelControllerList(ChannelControllerProvider& provider, uint64_t channelMask,
                                                        nKIVAPALS100::tStatus& status) {
  return ChannelControllerList(provider, channelMask, status);
}

}  // namespace vorlan_driver
