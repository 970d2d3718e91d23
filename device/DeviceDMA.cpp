#include "device/DeviceDMA.h"

#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

DeviceDMA::DeviceDMA(nKIVAPAL000::tPCIDevice& device, uint64_t bar0, NonIsolatedRegMaps& niso,
                     TarnDMAControllers::tChannelMap* const* isoChannels, nKIVAPALS100::tStatus& status)
    : controllers_(nullptr), interruptController_(nullptr), dmaInterruptController_(nullptr), dispatcher_(nullptr) {
  if (status.isFatal()) return;
  controllers_ = kivNew(status) TarnDMAControllers(device, niso, isoChannels, status);
  volatile uint8_t* bridge = reinterpret_cast<volatile uint8_t*>(static_cast<uintptr_t>(bar0));
  if (status.isNotFatal()) interruptController_ = kivNew(status) tarntools::InterruptController(device, bridge, status);
  if (status.isFatal()) return;
  dmaInterruptController_ = kivNew(status) DMAInterruptController(*interruptController_, bridge, status);
  if (status.isFatal()) return;
  dispatcher_ = kivNew(status) meridandma::DMADispatcher(*controllers_, kDmaChannels);
}

DeviceDMA::~DeviceDMA() {
  delete dispatcher_;
  delete dmaInterruptController_;
  delete interruptController_;
  delete controllers_;
}

void DeviceDMA::checkDmaChannel(uint32_t channel, bool mustBeIdle, nKIVAPALS100::tStatus& status,
                                const char* component, const char* file, uint32_t line) {
  if (channel >= kDmaChannels) {
    status.setCode(kBadDmaChannel, component, file, line);
    return;
  }
  if (!mustBeIdle || controllers_ == nullptr) return;
  // Reported here, before the reservation; another thread may start or stop
  // the channel right after, so what acts on the channel looks again under
  // its lock.
  tarntools::TarnDMAStreamController* stream = controllers_->getDMAStreamController(channel);
  if (stream != nullptr && stream->isStarted()) status.setCode(kDmaChannelBusy, component, file, line);
}

void DeviceDMA::waitUntilBytesTransferred(uint32_t channel, uint64_t referenceCount, uint32_t byteCount,
                                          uint32_t timeout, uint8_t* timedOut, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tarntools::TarnDMAStreamController* stream =
      channel < kDmaChannels && controllers_ != nullptr ? controllers_->getDMAStreamController(channel) : nullptr;
  if (stream == nullptr || dmaInterruptController_ == nullptr) {
    vorlanSetCode(status, statusCodes::kNotFound);
    return;
  }
  bool expired = *timedOut != 0;
  dmaInterruptController_->waitForDMA(*stream, channel, referenceCount, byteCount, timeout, expired, status);
  *timedOut = expired ? 1 : 0;
}

void DeviceDMA::cancelWaitUntilBytesTransferred(uint32_t channel) {
  if (dmaInterruptController_ != nullptr) dmaInterruptController_->signal(channel, kWaitCancelled);
}

void DeviceDMA::releaseDmaWaiters() {
  if (dmaInterruptController_ != nullptr) dmaInterruptController_->signalAll(kDeviceReset);
}

void DeviceDMA::resumeDmaWaiters() {
  if (dmaInterruptController_ != nullptr) dmaInterruptController_->resumeWaits();
}

}  // namespace vorlan_driver
