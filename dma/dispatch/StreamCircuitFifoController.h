// Resets a DMA channel's FIFO in the non-isolated FPGA: one strobe bit per
// instrument channel in the measure (even DMA channels) or the command (odd
// DMA channels) FIFO-reset register. The two registers are shared by every
// channel: each reset is one step under their map's lock.
#pragma once

#include <stdint.h>

#include "framework/kdut/CleanupOperationInterface.h"
#include "platform/status/tStatus.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class StreamCircuitFifoController : public kdut::CleanupOperationInterface {
 public:
  using tFpgaMap = vorlan_regmaps::tTheQuillNisoFpgaRegMap;

  StreamCircuitFifoController(tFpgaMap& fpga, uint32_t dmaChannel, nKIVAPALS100::tStatus& status);
  StreamCircuitFifoController(const StreamCircuitFifoController&) = delete;
  StreamCircuitFifoController& operator=(const StreamCircuitFifoController&) = delete;

  virtual void resetFifo(nKIVAPALS100::tStatus& status);
  virtual kdut::CleanupOperationInterface& getCleanupOperation() { return *this; }
  void cleanup(nKIVAPALS100::tStatus& status) override { resetFifo(status); }

  bool isCommandStream() const { return commandStream_; }
  uint32_t getChannelMask() const { return channelMask_; }

 private:
  tFpgaMap& fpga_;
  bool commandStream_;
  uint32_t channelMask_;
  // What the construction left: a channel with no bit in the registers.
  nKIVAPALS100::tStatus constructionStatus_;
};

}  // namespace vorlan_driver
