#include "device/NonIsolatedRegMaps.h"

#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

NonIsolatedRegMaps::NonIsolatedRegMaps(uint64_t bar0, armki::ARMDispatcher& dispatcher, tStatus& status)
    : bar0_(bar0),
      dispatcher_(dispatcher),
      fpgaSpace_(bar0 + kFpgaOffset, kFpgaSize),
      companionSpace_(bar0 + kCompanionOffset, kCompanionSize),
      streamSpaces_(),
      dmaSpaces_(),
      fpga_(&fpgaSpace_, status, 0, 0, 0xFFFFFFFFu),
      bridgeStreams_(),
      bridgeDmas_(),
      powerMonitorMutex_(status),
      powerMonitor_(fpga_.ChassisPowerMonConfigReg, fpga_.ChassisPowerMonReadReg, powerMonitorMutex_),
      ina231_(powerMonitor_, 0, 0, 0xFFFFFFFFu, &status),
      fpgaPublished_(false),
      ina231Published_(false) {
  // The bridge sees the FPGA's stream circuits and DMA channels where the
  // FPGA map placed its children; an allocation that fails leaves that slot
  // and every later one empty.
  for (uint32_t i = 0; i < kDmaChannels && status.isNotFatal(); ++i) {
    streamSpaces_[i] =
        kivNew(status) tMemorySpace(bar0_ + kFpgaOffset + fpga_.getStreamCircuit(i)->getBase(), tBridgeStreamMap::kSize);
    if (streamSpaces_[i] == nullptr) break;
    bridgeStreams_[i] = kivNew(status) tBridgeStreamMap(*streamSpaces_[i], &status);
    if (bridgeStreams_[i] == nullptr) break;
    dmaSpaces_[i] = kivNew(status) tMemorySpace(bar0_ + kFpgaOffset + fpga_.getDMA(i)->getBase(), tBridgeDmaMap::kSize);
    if (dmaSpaces_[i] == nullptr) break;
    bridgeDmas_[i] = kivNew(status) tBridgeDmaMap(*dmaSpaces_[i], &status);
  }
  if (status.isFatal()) return;
  // A family publication that fails half-way keeps what it added, so the
  // withdrawal runs for every name once publication began.
  fpgaPublished_ = true;
  fpga_.addToDispatcher(dispatcher_, status, nullptr, false);
  if (status.isFatal()) return;
  dispatcher_.add(vorlan_regmaps::tIna231RegMap::kName, ina231_, status);
  ina231Published_ = status.isNotFatal();
}

NonIsolatedRegMaps::~NonIsolatedRegMaps() {
  // Each withdrawal has a status of its own so that one cannot stop the
  // others; teardown reports nothing.
  if (ina231Published_) {
    tStatus removal;
    dispatcher_.remove(vorlan_regmaps::tIna231RegMap::kName, removal);
  }
  if (fpgaPublished_) {
    tStatus removal;
    fpga_.removeFromDispatcher(dispatcher_, removal, nullptr, false);
  }
  for (uint32_t i = 0; i < kDmaChannels; ++i) {
    delete bridgeStreams_[i];
    delete bridgeDmas_[i];
    delete streamSpaces_[i];
    delete dmaSpaces_[i];
  }
}

}  // namespace vorlan_driver
