#include "simboard/QuillBoard.h"

#include <memory>
#include <vector>

#include "simboard/GoldenFlashImage.h"

namespace simboard {

QuillBoard::QuillBoard()
    : busInterface_(&addBlock(BusInterfaceBlock::kBar0Offset, std::make_unique<BusInterfaceBlock>())),
      digitalOutputs_(&addBlock(TimingDigitalOutputBlock::kBar0Offset, std::make_unique<TimingDigitalOutputBlock>())),
      outputTimer_(&addBlock(TimingOutputTimerBlock::kBar0Offset, std::make_unique<TimingOutputTimerBlock>())),
      triggers_(&addBlock(TriggerBlock::kBar0Offset, std::make_unique<TriggerBlock>())),
      // One data window serves the capability walk and the flash.
      spi_(&ConfigPortSpiBlock::install(*this, digitalOutputs_)),
      geographicAddress_(&addBlock(GeographicAddressBlock::kBar0Offset, std::make_unique<GeographicAddressBlock>())),
      nisoFpga_(&addBlock(NisoFpgaDmaBlock::kBar0Offset, std::make_unique<NisoFpgaDmaBlock>())),
      isolatedPortSwitch_(
          &addBlock(IsolatedPortSwitchBlock::kBar0Offset, std::make_unique<IsolatedPortSwitchBlock>())) {
  geographicAddress_->setGeographicAddress(kDefaultSlot);
  // The FPGAs hold no configuration at power-on: each answers once the
  // bridge's loader has taken a good image for it.
  nisoFpga_->setConfigured(false);
  bridgeCore().loader().setListener([this](uint32_t portSelect) { fpgaLoaded(portSelect); });
  // Firmware images are counted and checked as they arrive, never logged.
  bar0Space().blockAt(BridgeCoreBlock::kLoadDataOffset)->setLogPolicy(LogPolicy::kCount);
  nisoFpga_->isolatedSide().cpldJtag().setLogPolicy(LogPolicy::kCount);
  // A channel's threshold notification reaches the driver through the
  // bridge's interrupt queue, keyed by the channel number.
  for (uint32_t c = 0; c < DmaChannelBlock::kChannels; ++c) {
    nisoFpga_->dmaChannel(c).onNotification([this](uint32_t channel) { bridgeCore().interrupts().post(channel); });
  }
  clearAccessLog();
}

void QuillBoard::fpgaLoaded(uint32_t portSelect) {
  if (portSelect == FpgaLoader::kNisoPortSelect) {
    // A freshly loaded non-isolated FPGA has the isolated side off.
    nisoFpga_->resetIsolatedSide();
    nisoFpga_->setConfigured(true);
  }
  if (portSelect == FpgaLoader::kIsoPortSelect) nisoFpga_->supply().isolatedImageLoaded();
}

namespace {
constexpr uint64_t kMapVersionOffset = 4;
constexpr uint64_t kOldestCompatibleMapVersionOffset = 8;
constexpr uint64_t kSerialNumberOffset = 12;
constexpr uint64_t kOldestCompatibleBoardRevisionOffset = 17;
}  // namespace

void QuillBoard::setOldestCompatibleBoardRevision(uint8_t revision) {
  std::vector<uint8_t> image = flash().image();
  image.at(goldenflash::kManufacturing + kOldestCompatibleBoardRevisionOffset) = revision;
  sealFlashRecord(image, goldenflash::kManufacturing, goldenflash::kSmallRecordSize);
  flash().loadImage(std::move(image));
}

void QuillBoard::setManufacturingMapVersions(uint32_t version, uint32_t oldestCompatible) {
  std::vector<uint8_t> image = flash().image();
  for (int byte = 0; byte < 4; ++byte) {
    image.at(goldenflash::kManufacturing + kMapVersionOffset + byte) = static_cast<uint8_t>(version >> (8 * byte));
    image.at(goldenflash::kManufacturing + kOldestCompatibleMapVersionOffset + byte) =
        static_cast<uint8_t>(oldestCompatible >> (8 * byte));
  }
  sealFlashRecord(image, goldenflash::kManufacturing, goldenflash::kSmallRecordSize);
  flash().loadImage(std::move(image));
}

void QuillBoard::eraseFlash() { flash().loadImage(flashvariants::blank()); }

void QuillBoard::corruptManufacturingRecord() {
  std::vector<uint8_t> image = flash().image();
  image.at(goldenflash::kManufacturing + kSerialNumberOffset) ^= 0x01;
  flash().loadImage(std::move(image));
}

}  // namespace simboard
