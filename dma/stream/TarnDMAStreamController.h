// A DMA channel's stream controller: hands the committed chain to the
// channel's engine and owns the start and stop order of engine and stream
// circuit.
//
// Its recursive mutex is the channel's one lock. A session is a file handle
// whose requests may come from any number of threads, so everything done to
// the channel is serialised on it, whoever asks: start and stop, the buffer
// owner's adds, commits, clears and releases (SGLController), the
// dispatcher's commit together with the start that follows it, a DMA wait's
// threshold set-up, the credit and the count. What acts on the started flag
// looks at it again under the lock; a look without it (a request's early
// check) only reports. The lock is held across the start and stop polls,
// which spin, and never across a semaphore wait.
//
// Lock order (after the device mutex and the I/O gate): a cleanup
// composite's mutex, or the DMA waits' waiter mutex, then this lock. Under
// it no other driver lock is taken, only the kernel layer's own (memory,
// DMA mappings), so whoever holds it finishes without waiting for anyone:
// the dispatcher adds to and takes from a session's composite only outside
// it, because a composite runs its cleanups, which take it, under its own
// mutex.
#pragma once

#include <stdint.h>

#include "dma/sgl/FiniteAndContinuousSGL.h"
#include "dma/stream/DMACleanupOperation.h"
#include "dma/stream/DMAStreamInterface.h"
#include "dma/stream/StreamCircuitController.h"
#include "dma/stream/tTarnDMAChannel.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/bridge/tStreamCircuitRegMapWithOffset.h"
#include "regmaps/bridge/tTarnDMAChannelWithOffset.h"

namespace tarntools {

class TarnDMAStreamController : public vorlan_driver::nKIVAPAL000::tTarnDMAChannel, public DMAStreamInterface {
 public:
  using tChannelMap = tTarnDMAChannelWithOffset<0u>;
  using tStreamCircuit = StreamCircuitController<tStreamCircuitRegMapWithOffset<0u>>;

  static constexpr uint64_t kFirstIntervalMicroseconds = 10;
  static constexpr uint64_t kLongestIntervalMicroseconds = 1000;
  static constexpr uint64_t kWaitMicroseconds = 50000;

  TarnDMAStreamController(const tSpace& companion, tChannelMap& channelMap, tStreamCircuit& streamCircuit,
                          uint64_t channel, nKIVAPALS100::tStatus& status);

  void addCredit(uint32_t credit, nKIVAPALS100::tStatus& status) override;
  void setThreshold(uint64_t threshold, nKIVAPALS100::tStatus& status) override;
  uint64_t getTransferCount(nKIVAPALS100::tStatus& status) override;
  // Refused (-52017) for lists either of which has no first link.
  virtual void start(FiniteAndContinuousSGL& lists, bool flag, nKIVAPALS100::tStatus& status);
  virtual void stop(nKIVAPALS100::tStatus& status);
  // The channel reset for a channel that would not stop, waiting like a
  // stop until the engine shows it fetches nothing more: a reset does not
  // end the fetches already in flight either. Only then is the channel no
  // longer started.
  void resetAndWait(nKIVAPALS100::tStatus& status);
  void enableThresholdInterrupt() override { setThresholdEnable(kControlThresholdInterrupt); }
  void disableThresholdInterrupt() override { setThresholdEnable(0); }

  // The channel's lock; null when it could not be made, and then every
  // operation of the channel refuses (-52000) instead of locking nothing.
  vorlan_driver::nKIVAPAL000::tMutex* getChannelLock() { return mutex_.isCreated() ? &mutex_ : nullptr; }
  DMACleanupOperation& getCleanupOperation() { return cleanup_; }
  tStreamCircuit& getStreamCircuit() { return *streamCircuit_; }

 private:
  // False (with -52000) when the mutex could not be made.
  bool usable(nKIVAPALS100::tStatus& status);
  void stopSequence(nKIVAPALS100::tStatus& status);
  void waitUntilReady(nKIVAPALS100::tStatus& status);
  void waitUntilStopped(nKIVAPALS100::tStatus& status);
  void setThresholdEnable(uint32_t bits);

  tChannelMap* channelMap_;
  tStreamCircuit* streamCircuit_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  DMACleanupOperation cleanup_;
};

}  // namespace tarntools
