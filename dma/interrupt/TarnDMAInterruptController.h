// DMA waits: a request thread sleeps on a semaphore until its channel has
// moved the bytes it waits for; the channel's threshold notification, a
// cancel, a device reset or the teardown wakes it, the last three with a
// code. A channel has at most one registered wait: the one the threshold
// notification and a cancel reach. A wait on a channel that already has
// one is not registered (it must not take over the first one's threshold,
// notifier or wake), so only its time-out, an interruption of its thread,
// a device reset or the teardown ends it. Every wait keeps its semaphore and
// posted code in a record on its own stack, so posting a code never needs
// memory.
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

  TarnDMAInterruptController(iInterruptNotifierRegistry& registry, nKIVAPALS100::tStatus& status);
  ~TarnDMAInterruptController() override;
  TarnDMAInterruptController(const TarnDMAInterruptController&) = delete;
  TarnDMAInterruptController& operator=(const TarnDMAInterruptController&) = delete;

  // Time-out in milliseconds: 0 tries once, 0xFFFFFFFF waits without limit.
  void waitForDMA(DMAStreamInterface& stream, uint32_t channel, uint64_t baseCount, uint64_t byteCount,
                  uint32_t timeout, bool& timedOut, nKIVAPALS100::tStatus& status);
  // Reaches the channel's registered wait only.
  void signal(uint32_t channel, int32_t code) override;
  // Reaches every wait, registered or not, and every wait that begins
  // later, until resumeWaits: it comes before the DMA side goes (a reset's
  // or a removal's suspension, the teardown), and a request that passed its
  // gate just before would otherwise register after the wake and hold the
  // reset's or the removal's drain for as long as its own time-out.
  void signalAll(int32_t code);
  // Ends what signalAll left behind for later waits: the suspension that
  // released them is over and the same DMA side serves requests again. A
  // wait already woken keeps its code.
  void resumeWaits();

 private:
  // One wait in progress, on the waiting thread's stack.
  struct tWait {
    vorlan_driver::nKIVAPAL000::tSemaphore* semaphore;
    // The first code posted; under statusMutex_.
    int32_t posted;
    // The next unregistered wait; under waiterMutex_.
    tWait* next;
  };

  // True when the wait became the channel's registered one.
  bool registerWaiter(DMAStreamInterface& stream, uint32_t channel, uint64_t threshold, tWait& wait,
                      nKIVAPALS100::tStatus& status);
  void unregisterWaiter(DMAStreamInterface& stream, uint32_t channel, tWait& wait, bool registered);
  // Under waiterMutex_.
  void post(tWait& wait, int32_t code);
  // Takes the wait's posted code, 0 when none.
  int32_t takePosted(tWait& wait);
  bool hasWaiters();

  iInterruptNotifierRegistry& registry_;
  vorlan_driver::nKIVAPAL000::tMutex waiterMutex_;
  vorlan_driver::nKIVAPAL000::tMutex statusMutex_;
  tWait* registered_[kChannels];
  tWait* unregistered_;
  // The code of the first signalAll since construction or the last
  // resumeWaits, 0 when none; under waiterMutex_.
  int32_t releasedWith_;
  bool constructionClean_;
};

}  // namespace tarntools
