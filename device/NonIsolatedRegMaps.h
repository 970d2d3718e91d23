// The non-isolated FPGA's register maps on BAR 0: the FPGA map with its
// stream-circuit, DMA-companion and DMA children, the bridge's own views of
// the 48 stream circuits and DMA channels the DMA controllers take by index,
// and the power monitor behind its relay. Built after the non-isolated FPGA
// is loaded and published by name while they exist; building and destroying
// them touches no hardware.
#pragma once

#include <stdint.h>

#include "device/frontEndAccessors/ChassisPowerMonitorFrontEndAccessor.h"
#include "framework/armki/ARMDispatcher.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "regmaps/bridge/tStreamCircuitRegMapWithOffset.h"
#include "regmaps/bridge/tTarnDMAChannelWithOffset.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "regmaps/nonisolated/tIna231RegMap.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

class NonIsolatedRegMaps {
 public:
  using tMemorySpace = nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;
  using tFpgaMap = vorlan_regmaps::tTheQuillNisoFpgaRegMap;
  using tBridgeStreamMap = tarntools::tStreamCircuitRegMapWithOffset<0u>;
  using tBridgeDmaMap = tarntools::tTarnDMAChannelWithOffset<0u>;

  static constexpr uint32_t kDmaChannels = 48;
  static constexpr uint64_t kFpgaOffset = 0x80000;
  static constexpr uint64_t kFpgaSize = 0x6B000;
  static constexpr uint64_t kCompanionOffset = 0xE4000;
  static constexpr uint64_t kCompanionSize = 0x8000;

  // `bar0` is the kernel address of the mapped BAR 0. With an error in the
  // status on entry the members are built but nothing is allocated, locked
  // or published.
  NonIsolatedRegMaps(uint64_t bar0, armki::ARMDispatcher& dispatcher, nKIVAPALS100::tStatus& status);
  // Withdraws what was published, then frees the bridge-side maps.
  ~NonIsolatedRegMaps();
  NonIsolatedRegMaps(const NonIsolatedRegMaps&) = delete;
  NonIsolatedRegMaps& operator=(const NonIsolatedRegMaps&) = delete;

  tFpgaMap& getFpgaMap() { return fpga_; }
  tMemorySpace& getCompanionSpace() { return companionSpace_; }
  vorlan_regmaps::tIna231RegMap& getIna231Map() { return ina231_; }
  // Null past the channels or where an allocation failed.
  tBridgeStreamMap* getBridgeStreamMap(uint32_t channel) const {
    return channel < kDmaChannels ? bridgeStreams_[channel] : nullptr;
  }
  tBridgeDmaMap* getBridgeDmaMap(uint32_t channel) const {
    return channel < kDmaChannels ? bridgeDmas_[channel] : nullptr;
  }

 private:
  uint64_t bar0_;
  armki::ARMDispatcher& dispatcher_;
  tMemorySpace fpgaSpace_;
  tMemorySpace companionSpace_;
  tMemorySpace* streamSpaces_[kDmaChannels];
  tMemorySpace* dmaSpaces_[kDmaChannels];
  tFpgaMap fpga_;
  tBridgeStreamMap* bridgeStreams_[kDmaChannels];
  tBridgeDmaMap* bridgeDmas_[kDmaChannels];
  nKIVAPAL000::tMutex powerMonitorMutex_;
  tNisoChassisPowerMonitorFrontEndAccessor powerMonitor_;
  vorlan_regmaps::tIna231RegMap ina231_;
  // Publication of the FPGA map's family began.
  bool fpgaPublished_;
  bool ina231Published_;
};

}  // namespace vorlan_driver
