// DMA waits: a request thread sleeps on a semaphore until its channel has
// moved the bytes it waits for; the channel's threshold notification, a
// cancel, a device reset or the teardown wakes it, the last three with a
// code. A channel has at most one waiter and one posted code, kept in a
// fixed slot so that posting a code never needs memory.
#pragma once

#include <stdint.h>

#include "dma/interrupt/iInterruptNotifierRegistry.h"
#include "dma/stream/DMAStreamInterface.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "platform/synchronization/tSemaphore.h"

namespace tarntools {

class TarnDMAInterruptController : public iInterruptNotificationTarget {
 public:
  static constexpr uint32_t kChannels = 48;
  // A second wait on a channel that already has a waiter.
  static constexpr int64_t kAlreadyWaiting = static_cast<int64_t>(static_cast<int32_t>(0xBFFA806Eu));

  TarnDMAInterruptController(iInterruptNotifierRegistry& registry, nKIVAPALS100::tStatus& status);
  ~TarnDMAInterruptController() override;
  TarnDMAInterruptController(const TarnDMAInterruptController&) = delete;
  TarnDMAInterruptController& operator=(const TarnDMAInterruptController&) = delete;

  // Time-out in milliseconds: 0 tries once, 0xFFFFFFFF waits without limit.
  void waitForDMA(DMAStreamInterface& stream, uint32_t channel, uint64_t baseCount, uint64_t byteCount,
                  uint32_t timeout, bool& timedOut, nKIVAPALS100::tStatus& status);
  void signal(uint32_t channel, int32_t code) override;
  void signalAll(int32_t code);

 private:
  struct tSlot {
    vorlan_driver::nKIVAPAL000::tSemaphore* waiter;
    int32_t posted;
  };

  bool registerWaiter(DMAStreamInterface& stream, uint32_t channel, uint64_t threshold,
                      vorlan_driver::nKIVAPAL000::tSemaphore& semaphore, nKIVAPALS100::tStatus& status);
  void unregisterWaiter(DMAStreamInterface& stream, uint32_t channel);
  // Takes the channel's posted code, 0 when none.
  int32_t takePosted(uint32_t channel);
  bool hasWaiters();

  iInterruptNotifierRegistry& registry_;
  vorlan_driver::nKIVAPAL000::tMutex waiterMutex_;
  vorlan_driver::nKIVAPAL000::tMutex statusMutex_;
  tSlot slots_[kChannels];
  bool constructionClean_;
};

}  // namespace tarntools
