// Start-up's DMA addressing: 64-bit bus addresses where the bridge can
// issue them, else 32-bit, and the bridge's host-bus request control set to
// match.
#pragma once

#include "platform/pci/tPCIDevice.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/tTarnWithOffset.h"

namespace vorlan_driver {

constexpr uint32_t kHBRCREnable = 1u << 31;
constexpr uint32_t kHBRCR64BitLow = 1u << 14;
constexpr uint32_t kHBRCR64BitHigh = 1u << 15;

void configureDMAAddressing(tarntools::tTarnWithOffset<0u>& bridge, nKIVAPAL000::tPCIDevice& device,
                            nKIVAPALS100::tStatus& status);

}  // namespace vorlan_driver
