#include "simboard/QuillBoard.h"

#include <memory>

namespace simboard {

QuillBoard::QuillBoard()
    : busInterface_(&addBlock(BusInterfaceBlock::kBar0Offset, std::make_unique<BusInterfaceBlock>())),
      digitalOutputs_(&addBlock(TimingDigitalOutputBlock::kBar0Offset, std::make_unique<TimingDigitalOutputBlock>())),
      outputTimer_(&addBlock(TimingOutputTimerBlock::kBar0Offset, std::make_unique<TimingOutputTimerBlock>())),
      triggers_(&addBlock(TriggerBlock::kBar0Offset, std::make_unique<TriggerBlock>())),
      spi_(&addBlock(ConfigPortSpiBlock::kBar0Offset,
                     std::make_unique<ConfigPortSpiBlock>(bridgeCore(), digitalOutputs_))),
      configPortWindow_(&addBlock(ConfigPortWindowBlock::kBar0Offset,
                                  std::make_unique<ConfigPortWindowBlock>(bridgeCore()))),
      geographicAddress_(&addBlock(GeographicAddressBlock::kBar0Offset, std::make_unique<GeographicAddressBlock>())),
      nisoFpga_(&addBlock(NisoFpgaLinkBlock::kBar0Offset, std::make_unique<NisoFpgaLinkBlock>())) {
  // One data window serves the capability walk and the flash.
  configPortWindow_->attachSpiEngine(spi_);
  geographicAddress_->setGeographicAddress(kDefaultSlot);
  clearAccessLog();
}

}  // namespace simboard
