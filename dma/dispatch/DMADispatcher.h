// The request-level DMA operations on one channel. Each operation checks
// the channel, then runs its steps while the status stays clean, adding to
// or taking from the calling session's cleanup composite the operations
// that undo what it started: the FIFO reset first, so that a closing
// session resets the FIFO last, then the DMA stop, then the command stream.
// What an operation does to the channel's chains and engine runs under the
// channel's lock (TarnDMAStreamController.h), a commit and the start after
// it under one hold; the session's composite is changed outside it.
#pragma once

#include <stdint.h>

#include "dma/dispatch/DMAChannelProviderInterface.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/tStatus.h"

namespace meridandma {

class DMADispatcher {
 public:
  DMADispatcher(DMAChannelProviderInterface& channels, uint32_t channelCount)
      : channels_(channels), channelCount_(channelCount) {}
  virtual ~DMADispatcher() {}
  DMADispatcher(const DMADispatcher&) = delete;
  DMADispatcher& operator=(const DMADispatcher&) = delete;

  virtual void startDMA(uint32_t channel, bool flag, kdut::CleanupOperationComposite& composite,
                        nKIVAPALS100::tStatus& status);
  virtual void stopDMA(uint32_t channel, kdut::CleanupOperationComposite& composite, nKIVAPALS100::tStatus& status);
  virtual void addTransfer(const vorlan_driver::nKIVAPAL000::tEventDescriptor& descriptor, uint32_t channel,
                           uint32_t listKind, uint64_t userAddress, uint64_t byteCount, uint32_t direction,
                           uint32_t repeatCount, kdut::CleanupOperationComposite& composite,
                           nKIVAPALS100::tStatus& status);
  virtual void writeStreamAdditiveTransferCount(uint32_t channel, uint32_t count, nKIVAPALS100::tStatus& status);
  virtual uint64_t getTransferCount(uint32_t channel, nKIVAPALS100::tStatus& status);
  virtual void clearTransfers(uint32_t channel, kdut::CleanupOperationComposite& composite,
                              nKIVAPALS100::tStatus& status);
  virtual void clearApplicationFIFO(uint32_t channel, kdut::CleanupOperationComposite& composite,
                                    nKIVAPALS100::tStatus& status);
  virtual void restartSequencerStream(uint32_t channel, kdut::CleanupOperationComposite& composite,
                                      nKIVAPALS100::tStatus& status);

  uint32_t getChannelCount() const { return channelCount_; }

 private:
  // False (with -52005) past the channels or on an error status.
  bool checkChannel(uint32_t channel, nKIVAPALS100::tStatus& status) const;
  // The odd channel's command stream stopped and its cleanup withdrawn.
  void stopSequencerStream(uint32_t channel, kdut::CleanupOperationComposite& composite,
                           nKIVAPALS100::tStatus& status);

  DMAChannelProviderInterface& channels_;
  uint32_t channelCount_;
};

}  // namespace meridandma
