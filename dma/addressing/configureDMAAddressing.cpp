#include "dma/addressing/configureDMAAddressing.h"

namespace vorlan_driver {

void configureDMAAddressing(tarntools::tTarnWithOffset<0u>& bridge, nKIVAPAL000::tPCIDevice& device,
                            nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const bool wide = bridge.CapabilityReg.readAddresses64Bit(status);
  if (status.isFatal()) return;
  device.configureDMA(wide ? nKIVAPAL000::tDMAConfiguration::kDMAType64Bit
                           : nKIVAPAL000::tDMAConfiguration::kDMAType32Bit,
                      status);
  if (status.isFatal()) return;
  const uint32_t control = bridge.HBRCR.readRegister(status);
  if (status.isFatal()) return;
  const uint32_t width = wide ? kHBRCR64BitLow | kHBRCR64BitHigh : 0;
  bridge.HBRCR.writeRegister((control & ~(kHBRCR64BitLow | kHBRCR64BitHigh)) | kHBRCREnable | width, status);
}

}  // namespace vorlan_driver
