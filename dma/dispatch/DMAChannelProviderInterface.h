// What the DMA dispatcher needs of the board's per-channel DMA objects. The
// getters do not check the channel; the dispatcher does.
#pragma once

#include <stdint.h>

#include "dma/dispatch/SGLController.h"
#include "dma/dispatch/SequencerStreamController.h"
#include "dma/dispatch/StreamCircuitFifoController.h"
#include "dma/stream/TarnDMAStreamController.h"
#include "platform/status/tStatus.h"

namespace meridandma {

class DMAChannelProviderInterface {
 public:
  virtual ~DMAChannelProviderInterface() {}
  virtual tarntools::TarnDMAStreamController* getDMAStreamController(uint32_t channel) = 0;
  virtual tarntools::SGLController* getSGLController(uint32_t channel) = 0;
  virtual vorlan_driver::StreamCircuitFifoController* getFifoController(uint32_t channel) = 0;
  // None when the status already holds an error or the channel has none.
  virtual vorlan_driver::SequencerStreamController* getSequencerStreamController(uint32_t channel,
                                                                               nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace meridandma
