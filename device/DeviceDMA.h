// The device's DMA side as the isolated side's start-up step builds it: the
// 48 channel sets, the interrupt path with its work-queue thread, the DMA
// waits over it and the request-level dispatcher, and what the owner's
// request facade and the device's I/O suspension ask of them. The
// interrupt controller stays even when it could not be set up, so that its
// destructor undoes whatever part of it was done.
#pragma once

#include <stdint.h>

#include "device/NonIsolatedRegMaps.h"
#include "device/TarnDMAControllers.h"
#include "dma/dispatch/DMADispatcher.h"
#include "dma/interrupt/DMAInterruptController.h"
#include "dma/interrupt/InterruptController.h"
#include "platform/pci/tPCIDevice.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class DeviceDMA {
 public:
  static constexpr uint32_t kDmaChannels = TarnDMAControllers::kChannels;
  static constexpr int64_t kBadDmaChannel = statusCodes::fromWord(0xBFFA4300u);
  static constexpr int64_t kDmaChannelBusy = statusCodes::fromWord(0xBFFA806Eu);
  static constexpr int32_t kWaitCancelled = static_cast<int32_t>(0xBFFA40E4u);
  static constexpr int32_t kDeviceReset = static_cast<int32_t>(0xBFFA9179u);

  // `bar0` is the kernel address of BAR 0; `isoChannels` the 24 isolated
  // channel maps. Nothing passed is owned.
  DeviceDMA(nKIVAPAL000::tPCIDevice& device, uint64_t bar0, NonIsolatedRegMaps& niso,
            TarnDMAControllers::tChannelMap* const* isoChannels, nKIVAPALS100::tStatus& status);
  // Dispatcher, waits, interrupt path (joining its thread), channel sets.
  ~DeviceDMA();
  DeviceDMA(const DeviceDMA&) = delete;
  DeviceDMA& operator=(const DeviceDMA&) = delete;

  // Null when the start-up step failed before building it.
  meridandma::DMADispatcher* getDmaDispatcher() { return dispatcher_; }
  TarnDMAControllers* getDmaControllers() { return controllers_; }
  tarntools::InterruptController* getInterruptController() { return interruptController_; }
  DMAInterruptController* getDmaInterruptController() { return dmaInterruptController_; }

  // A DMA channel past the 48 records 0xBFFA4300; with `mustBeIdle`, a
  // running channel records 0xBFFA806E; both at the caller's file and line.
  void checkDmaChannel(uint32_t channel, bool mustBeIdle, nKIVAPALS100::tStatus& status, const char* component,
                       const char* file, uint32_t line);
  // Blocks until the channel moved `byteCount` bytes past `referenceCount`,
  // the time-out (milliseconds) passed, or a cancel, reset or teardown woke
  // it.
  void waitUntilBytesTransferred(uint32_t channel, uint64_t referenceCount, uint32_t byteCount, uint32_t timeout,
                                 uint8_t* timedOut, nKIVAPALS100::tStatus& status);
  void cancelWaitUntilBytesTransferred(uint32_t channel);
  // Every waiter wakes with the device-reset code, and so does every wait
  // that begins before resumeDmaWaiters.
  void releaseDmaWaiters();
  // The suspension that released the waiters is over: later waits wait.
  void resumeDmaWaiters();

 private:
  TarnDMAControllers* controllers_;
  tarntools::InterruptController* interruptController_;
  DMAInterruptController* dmaInterruptController_;
  meridandma::DMADispatcher* dispatcher_;
};

}  // namespace vorlan_driver
