#include "dma/dispatch/StreamCircuitFifoController.h"

#include "platform/status/statusCodes.h"

namespace vorlan_driver {

namespace {

// The instrument channel of a DMA channel, as a one-bit mask of the 32-bit
// register; 0 (with -52003) when the channel has no bit there.
uint32_t maskOf(uint32_t dmaChannel, nKIVAPALS100::tStatus& status) {
  const uint32_t channel = (dmaChannel >> 1) & 0x7Fu;
  if (channel < 32) return 1u << channel;
  vorlanSetCode(status, statusCodes::kValueOutOfRange);
  return 0;
}

}  // namespace

StreamCircuitFifoController::StreamCircuitFifoController(tFpgaMap& fpga, uint32_t dmaChannel,
                                                         nKIVAPALS100::tStatus& status)
    : fpga_(fpga), commandStream_((dmaChannel & 1u) != 0), channelMask_(maskOf(dmaChannel, status)) {
  constructionStatus_.merge(status);
}

void StreamCircuitFifoController::resetFifo(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (constructionStatus_.isFatal()) {
    status.merge(constructionStatus_);
    return;
  }
  // The strobes drop out of the shadow after each write, so every reset
  // changes the shadow and goes out; the map's lock keeps another
  // channel's reset, or a by-name write, out of the step.
  if (commandStream_) {
    fpga_.CommandStreamCircuitFifoReset.updateRegister(0, channelMask_, status);
  } else {
    fpga_.MeasureStreamCircuitFifoReset.updateRegister(0, channelMask_, status);
  }
}

}  // namespace vorlan_driver
