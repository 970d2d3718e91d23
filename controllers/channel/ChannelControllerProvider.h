// Hands out the controllers a per-channel controller list is built from,
// each as a shared reference: the board's own error controller, then per
// channel its error and interrupt controllers, then the board's own
// interrupt controller. An empty reference stands for none.
#pragma once

#include <stdint.h>

#include "controllers/channel/ChannelInterruptControllerInterface.h"
#include "controllers/channel/ErrorControllerInterface.h"
#include "platform/containers/tSharedPointer.h"

namespace vorlan_driver {

class ChannelControllerProvider {
 public:
  template <typename T>
  using tShared = nKIVAPAL000::tSharedPointer<T>;

  virtual ~ChannelControllerProvider() {}
  virtual tShared<basalt_shared::ErrorControllerInterface> getBoardErrorController() = 0;
  virtual tShared<basalt_shared::ErrorControllerInterface> getErrorController(uint32_t channel) = 0;
  virtual tShared<basalt_shared::ChannelInterruptControllerInterface> getChannelInterruptController(
      uint32_t channel) = 0;
  virtual tShared<basalt_shared::ChannelInterruptControllerInterface> getBoardInterruptController() = 0;
};

}  // namespace vorlan_driver
