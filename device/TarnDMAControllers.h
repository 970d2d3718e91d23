// The board's per-channel DMA objects, five kinds for each of the 48 DMA
// channels: stream circuit, stream controller, buffer owner, FIFO resetter
// and, for the odd (to-device) channels, the sequencer's command-stream
// switch. DMA channel d serves instrument channel (d >> 1) & 0x7F; even
// channels carry measurements from the device, odd ones commands to it.
// The maps come from the non-isolated and isolated register-map aggregates
// and are not owned.
#pragma once

#include <stdint.h>

#include "device/NonIsolatedRegMaps.h"
#include "dma/dispatch/DMAChannelProviderInterface.h"
#include "platform/device/tDeviceCore.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

class TarnDMAControllers : public meridandma::DMAChannelProviderInterface {
 public:
  static constexpr uint32_t kChannels = NonIsolatedRegMaps::kDmaChannels;
  using tStreamCircuit = tarntools::TarnDMAStreamController::tStreamCircuit;
  using tChannelMap = vorlan_regmaps::tTheQuillIsoChannelRegMap;

  // 1 (from the device) for even channels, 0 (to the device) for odd ones.
  static constexpr uint32_t direction(uint32_t channel) { return (channel & 1u) == 0 ? 1u : 0u; }

  // `isoChannels` holds the 24 instrument channels' maps. Building stops
  // at the first failure; what was built stays until the destructor.
  TarnDMAControllers(const nKIVAPAL000::tDeviceCore& device, NonIsolatedRegMaps& niso, tChannelMap* const* isoChannels,
                     nKIVAPALS100::tStatus& status);
  ~TarnDMAControllers() override;
  TarnDMAControllers(const TarnDMAControllers&) = delete;
  TarnDMAControllers& operator=(const TarnDMAControllers&) = delete;

  tarntools::TarnDMAStreamController* getDMAStreamController(uint32_t channel) override {
    return streams_[channel];
  }
  tarntools::SGLController* getSGLController(uint32_t channel) override { return buffers_[channel]; }
  StreamCircuitFifoController* getFifoController(uint32_t channel) override { return fifos_[channel]; }
  SequencerStreamController* getSequencerStreamController(uint32_t channel, nKIVAPALS100::tStatus& status) override {
    return status.isNotFatal() ? sequencers_[channel] : nullptr;
  }
  uint32_t getLinkSize() const { return linkSize_; }

 private:
  void buildChannel(uint32_t channel, const nKIVAPAL000::tDMAConfiguration& configuration, NonIsolatedRegMaps& niso,
                    tChannelMap* const* isoChannels, nKIVAPALS100::tStatus& status);

  uint32_t linkSize_;
  tStreamCircuit* circuits_[kChannels];
  tarntools::TarnDMAStreamController* streams_[kChannels];
  tarntools::SGLController* buffers_[kChannels];
  StreamCircuitFifoController* fifos_[kChannels];
  SequencerStreamController* sequencers_[kChannels];
};

}  // namespace vorlan_driver
