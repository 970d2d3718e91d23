#include "requests/tDmaRequestSteps.h"

#include "platform/status/statusCodes.h"
#include "requests/requestSteps.h"

namespace vorlan_driver {
namespace requests {

tDmaRequestSteps::tDmaRequestSteps(DeviceDMA* dma, const nKIVAPAL000::tEventDescriptor& descriptor,
                                   uint32_t dmaChannel, tChannelCheck check, nKIVAPALS100::tStatus& status,
                                   const char* file, uint32_t line)
    : dma_(dma),
      session_(static_cast<meridansharedsource::KernelSession*>(descriptor.getSession())),
      passed_(false) {
  if (status.isFatal()) return;
  if (dma_ == nullptr || dma_->getDmaDispatcher() == nullptr) {
    vorlanSetCode(status, statusCodes::kNotSupported);
    return;
  }
  if (session_ == nullptr) {
    vorlanSetCode(status, statusCodes::kNotFound);
    return;
  }
  if (check != kNoDmaChannelCheck) {
    dma_->checkDmaChannel(dmaChannel, check == kMustBeStopped, status, kivComponentName, file, line);
  }
  const uint64_t mask = getBitmaskFromPhysicalChannelNumber(getPhysicalChannelNumberFromDmaChannel(dmaChannel));
  checkChannelBitmaskInRange(mask, status);
  checkChannelBitmaskNotEmpty(mask, status);
  if (status.isNotFatal()) session_->checkReserved(mask, status);
  passed_ = status.isNotFatal();
}

}  // namespace requests
}  // namespace vorlan_driver
