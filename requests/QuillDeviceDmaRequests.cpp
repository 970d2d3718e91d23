// The DMA requests: each passes its gate and the DMA channel steps, then
// hands the request to the DMA dispatcher with the calling session's
// cleanup composite, or to the DMA waits. Transfers to the device pass
// direction 0 and the caller's repeat count, transfers from the device
// direction 1 and a repeat count of 1.
#include "device/DeviceDMA.h"
#include "device/QuillHelper.h"
#include "device/QuillDevice.h"
#include "requests/RequestRecords.h"
#include "requests/tDmaRequestSteps.h"
#include "requests/tRequestGate.h"

namespace vorlan_driver {

namespace {

using nKIVAPAL000::tEventDescriptor;
using requests::tDmaRequestSteps;

// The DMA side of the device's hardware owner; a request passes its gate
// only once start-up built it.
DeviceDMA* deviceDmaOf(QuillDevice& device) {
  QuillHelper* owner = device.getHardwareOwner();
  return owner != nullptr ? owner->getDeviceDma() : nullptr;
}

}  // namespace

#define VORLAN_DMA_STEPS(request, channel, check)                                              \
  requests::tRequestGate gate(*this, descriptor, requests::request::kSetupLevel, status);     \
  tDmaRequestSteps steps(gate.passed() ? deviceDmaOf(*this) : nullptr, descriptor, channel,   \
                         tDmaRequestSteps::check, status, __FILE__, __LINE__)

void QuillDevice::tarnTools_startDMA(const tEventDescriptor& descriptor, uint32_t dmaChannel, uint8_t streamFlag,
                                     nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_startDMA, dmaChannel, kMustBeStopped);
  if (steps.passed()) steps.dispatcher().startDMA(dmaChannel, streamFlag != 0, steps.composite(), status);
}

void QuillDevice::tarnTools_stopDMA(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                    nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_stopDMA, dmaChannel, kRunningAllowed);
  if (steps.passed()) steps.dispatcher().stopDMA(dmaChannel, steps.composite(), status);
}

void QuillDevice::tarnTools_addTransferToDevice(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                uint32_t listKind, uint64_t bufferPointer, uint64_t byteCount,
                                                uint32_t repeatCount, nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_addTransferToDevice, dmaChannel, kMustBeStopped);
  if (!steps.passed()) return;
  steps.dispatcher().addTransfer(descriptor, dmaChannel, listKind, bufferPointer, byteCount,
                                 tarntools::SGLController::kToDevice, repeatCount, steps.composite(), status);
}

void QuillDevice::tarnTools_addTransferFromDevice(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                  uint32_t listKind, uint64_t bufferPointer, uint64_t byteCount,
                                                  nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_addTransferFromDevice, dmaChannel, kMustBeStopped);
  if (!steps.passed()) return;
  steps.dispatcher().addTransfer(descriptor, dmaChannel, listKind, bufferPointer, byteCount,
                                 tarntools::SGLController::kFromDevice, 1, steps.composite(), status);
}

void QuillDevice::tarnTools_writeStreamAdditiveTransferCount(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                             uint32_t additiveCount, nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_writeStreamAdditiveTransferCount, dmaChannel, kRunningAllowed);
  if (steps.passed()) steps.dispatcher().writeStreamAdditiveTransferCount(dmaChannel, additiveCount, status);
}

uint64_t QuillDevice::tarnTools_getTransferCount(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                 nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_getTransferCount, dmaChannel, kRunningAllowed);
  return steps.passed() ? steps.dispatcher().getTransferCount(dmaChannel, status) : 0;
}

void QuillDevice::tarnTools_clearTransfers(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                           nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_clearTransfers, dmaChannel, kMustBeStopped);
  if (steps.passed()) steps.dispatcher().clearTransfers(dmaChannel, steps.composite(), status);
}

void QuillDevice::tarnTools_clearApplicationFIFO(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                 nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_clearApplicationFIFO, dmaChannel, kRunningAllowed);
  if (!steps.passed()) return;
  steps.dispatcher().clearApplicationFIFO(dmaChannel, steps.composite(), status);
  steps.dispatcher().restartSequencerStream(dmaChannel, steps.composite(), status);
}

void QuillDevice::tarnTools_waitUntilBytesTransferred(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                      uint64_t referenceCount, uint32_t byteCount, uint32_t timeout,
                                                      uint8_t* timedOut, nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_waitUntilBytesTransferred, dmaChannel, kRunningAllowed);
  if (steps.passed()) steps.dma().waitUntilBytesTransferred(dmaChannel, referenceCount, byteCount, timeout, timedOut, status);
}

void QuillDevice::tarnTools_cancelWaitUntilBytesTransferred(const tEventDescriptor& descriptor, uint32_t dmaChannel,
                                                            nKIVAPALS100::tStatus& status) {
  VORLAN_DMA_STEPS(tarnTools_cancelWaitUntilBytesTransferred, dmaChannel, kNoDmaChannelCheck);
  if (steps.passed()) steps.dma().cancelWaitUntilBytesTransferred(dmaChannel);
}

#undef VORLAN_DMA_STEPS

}  // namespace vorlan_driver
