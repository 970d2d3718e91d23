#include "controllers/channel/ChannelControllerList.h"

namespace vorlan_driver {

ChannelControllerList::ChannelControllerList(ChannelControllerProvider& provider, uint64_t channelMask,
                                             nKIVAPALS100::tStatus& status)
    : boardErrorController(provider.getBoardErrorController()),
      errorControllers(),
      interruptControllers(),
      boardInterruptController(provider.getBoardInterruptController()) {
  for (uint32_t channel = 0; channel < 64 && status.isNotFatal(); ++channel) {
    if (((channelMask >> channel) & 1u) == 0) continue;
    errorControllers.pushBack(provider.getErrorController(channel), status);
    interruptControllers.pushBack(provider.getChannelInterruptController(channel), status);
  }
}

}  // namespace vorlan_driver
