// A DMA channel's stream controller: hands the committed chain to the
// channel's engine and owns the start and stop order of engine and stream
// circuit, under one recursive mutex.
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
  virtual void start(FiniteAndContinuousSGL& lists, bool flag, nKIVAPALS100::tStatus& status);
  virtual void stop(nKIVAPALS100::tStatus& status);
  // The channel reset for a channel that would not stop, waiting like a
  // stop until the engine shows it fetches nothing more: a reset does not
  // end the fetches already in flight either.
  void resetAndWait(nKIVAPALS100::tStatus& status);
  void enableThresholdInterrupt() override { setThresholdEnable(kControlThresholdInterrupt); }
  void disableThresholdInterrupt() override { setThresholdEnable(0); }

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
