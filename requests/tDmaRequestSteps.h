// The steps a DMA request runs past its gate, in order: D (the DMA channel
// exists and, where the request changes the channel's lists or starts it,
// is stopped), P (its instrument channel), R and E on that channel's mask,
// then H (the calling session holds the instrument channel). D runs before
// H, so a bad or busy DMA channel is reported even to a session that does
// not hold the channel. D reports at the request method's own file and
// line, which the method passes in.
#pragma once

#include <stdint.h>

#include "device/DeviceDMA.h"
#include "device/KernelSession.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace requests {

class tDmaRequestSteps {
 public:
  enum tChannelCheck : uint32_t {
    // No step D: the cancel derives the instrument channel from any number.
    kNoDmaChannelCheck,
    kRunningAllowed,
    kMustBeStopped,
  };

  // `dma` may be null: the device then has no DMA side to serve the
  // request, and it is not supported.
  tDmaRequestSteps(DeviceDMA* dma, const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t dmaChannel,
                   tChannelCheck check, nKIVAPALS100::tStatus& status, const char* file, uint32_t line);
  tDmaRequestSteps(const tDmaRequestSteps&) = delete;
  tDmaRequestSteps& operator=(const tDmaRequestSteps&) = delete;

  // False when the method must return its failure default.
  bool passed() const { return passed_; }
  DeviceDMA& dma() const { return *dma_; }
  meridandma::DMADispatcher& dispatcher() const { return *dma_->getDmaDispatcher(); }
  kdut::CleanupOperationComposite& composite() const { return session_->getCleanupOperationComposite(); }

 private:
  DeviceDMA* dma_;
  meridansharedsource::KernelSession* session_;
  bool passed_;
};

}  // namespace requests
}  // namespace vorlan_driver
