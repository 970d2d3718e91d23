#include "dma/dispatch/StreamCircuitFifoController.h"

#include "platform/cppRuntime/cppRunTime.h"
#include "platform/status/statusCodes.h"
#include "platform/synchronization/tAutoLock.h"
#include "platform/synchronization/tMutex.h"

namespace vorlan_driver {

namespace {

struct tFifoLocks {
  tFifoLocks() : status(), measure(status), command(status) {}
  nKIVAPALS100::tStatus status;
  nKIVAPAL000::tMutex measure;
  nKIVAPAL000::tMutex command;
};

nKIVAPAL000::tStaticObject<tFifoLocks> gFifoLocks;

// The instrument channel of a DMA channel, as a one-bit mask of the 32-bit
// register; 0 (with -52003) when the channel has no bit there.
uint32_t maskOf(uint32_t dmaChannel, nKIVAPALS100::tStatus& status) {
  const uint32_t channel = (dmaChannel >> 1) & 0x7Fu;
  if (channel < 32) return 1u << channel;
  vorlanSetCode(status, statusCodes::kValueOutOfRange);
  return 0;
}

}  // namespace

void initStreamCircuitFifoLocks() { gFifoLocks.construct(); }

StreamCircuitFifoController::StreamCircuitFifoController(tFpgaMap& fpga, uint32_t dmaChannel,
                                                         nKIVAPALS100::tStatus& status)
    : fpga_(fpga), commandStream_((dmaChannel & 1u) != 0), channelMask_(maskOf(dmaChannel, status)) {
  if (!gFifoLocks.isConstructed()) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
  } else {
    status.merge(gFifoLocks.get().status);
  }
  constructionStatus_.merge(status);
}

void StreamCircuitFifoController::resetFifo(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (constructionStatus_.isFatal()) {
    status.merge(constructionStatus_);
    return;
  }
  tFifoLocks& locks = gFifoLocks.get();
  // The strobes drop out of the shadow after each write, so every reset
  // changes the shadow and goes out.
  if (commandStream_) {
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(locks.command);
    auto& reg = fpga_.CommandStreamCircuitFifoReset;
    reg.writeRegister(reg.getRegister() | channelMask_, status);
  } else {
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(locks.measure);
    auto& reg = fpga_.MeasureStreamCircuitFifoReset;
    reg.writeRegister(reg.getRegister() | channelMask_, status);
  }
}

}  // namespace vorlan_driver
