#include "device/TarnDMAControllers.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {

TarnDMAControllers::TarnDMAControllers(const nKIVAPAL000::tDeviceCore& device, NonIsolatedRegMaps& niso,
                                       tChannelMap* const* isoChannels, nKIVAPALS100::tStatus& status)
    : linkSize_(0) {
  for (uint32_t c = 0; c < kChannels; ++c) {
    circuits_[c] = nullptr;
    streams_[c] = nullptr;
    buffers_[c] = nullptr;
    fifos_[c] = nullptr;
    sequencers_[c] = nullptr;
  }
  if (status.isFatal()) return;
  // The companion's build register gives the link size the engine walks.
  const uint32_t coredr = niso.getFpgaMap().getDMACompanion().COREDR.readRegister(status);
  if (status.isFatal()) return;
  linkSize_ = 1u << ((coredr >> 12) & 0xFu);
  for (uint32_t c = 0; c < kChannels && status.isNotFatal(); ++c) {
    buildChannel(c, device.getDMAConfiguration(), niso, isoChannels, status);
  }
}

void TarnDMAControllers::buildChannel(uint32_t channel, const nKIVAPAL000::tDMAConfiguration& configuration,
                                      NonIsolatedRegMaps& niso, tChannelMap* const* isoChannels,
                                      nKIVAPALS100::tStatus& status) {
  NonIsolatedRegMaps::tBridgeStreamMap* circuitMap = niso.getBridgeStreamMap(channel);
  NonIsolatedRegMaps::tBridgeDmaMap* dmaMap = niso.getBridgeDmaMap(channel);
  if (circuitMap == nullptr || dmaMap == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  circuits_[channel] = kivNew(status) tStreamCircuit(*circuitMap);
  if (circuits_[channel] == nullptr) return;
  streams_[channel] = kivNew(status)
      tarntools::TarnDMAStreamController(niso.getCompanionSpace(), *dmaMap, *circuits_[channel], channel, status);
  if (streams_[channel] == nullptr || status.isFatal()) return;
  buffers_[channel] = kivNew(status)
      tarntools::SGLController(configuration, linkSize_, direction(channel), true, *streams_[channel], status);
  if (buffers_[channel] == nullptr || status.isFatal()) return;
  fifos_[channel] = kivNew(status) StreamCircuitFifoController(niso.getFpgaMap(), channel, status);
  if (fifos_[channel] == nullptr || status.isFatal() || direction(channel) != 0) return;
  tChannelMap* isoChannel = isoChannels != nullptr ? isoChannels[(channel >> 1) & 0x7Fu] : nullptr;
  if (isoChannel == nullptr) {
    vorlanSetCode(status, statusCodes::kNotFound);
    return;
  }
  sequencers_[channel] = kivNew(status) SequencerStreamController(*isoChannel, status);
}

TarnDMAControllers::~TarnDMAControllers() {
  for (uint32_t c = 0; c < kChannels; ++c) {
    delete sequencers_[c];
    delete fifos_[c];
    delete buffers_[c];
    delete streams_[c];
    delete circuits_[c];
  }
}

}  // namespace vorlan_driver
