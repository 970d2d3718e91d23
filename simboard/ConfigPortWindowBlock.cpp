#include "simboard/ConfigPortWindowBlock.h"

#include "simboard/ConfigPortSpiBlock.h"

namespace simboard {

ConfigPortWindowBlock::ConfigPortWindowBlock(BridgeCoreBlock& bridgeCore)
    : RegisterBlock(kSize), bridgeCore_(bridgeCore), space_(bridgeCore) {
  bridgeCore_.poke(kWindowControlOffset, 32, kPowerOnWindowControl);
  bridgeCore_.poke(kWindowSelectOffset, 32, 0);
}

uint64_t ConfigPortWindowBlock::read(uint64_t offset, uint32_t width) {
  if (engineClaims(offset, width, true)) return engine_->windowRead(offset);
  uint32_t address = 0;
  if (!translate(offset, width, address)) return width == 64 ? ~0ull : (1ull << width) - 1;
  return space_.read(address, width);
}

void ConfigPortWindowBlock::write(uint64_t offset, uint32_t width, uint64_t value) {
  if (engineClaims(offset, width, false)) {
    engine_->windowWrite(offset, static_cast<uint8_t>(value));
    return;
  }
  uint32_t address = 0;
  if (translate(offset, width, address)) space_.write(address, width, value);
}

bool ConfigPortWindowBlock::placedOver(uint64_t offset) const {
  const uint32_t control = static_cast<uint32_t>(bridgeCore_.peek(kWindowControlOffset, 32));
  return (control & 0xFFFFFF00u) == kBar0Offset && offset < (1ull << (control & 0x1Fu));
}

bool ConfigPortWindowBlock::engineClaims(uint64_t offset, uint32_t width, bool read) const {
  return engine_ != nullptr && width == 8 && placedOver(offset) && engine_->claims(read);
}

bool ConfigPortWindowBlock::translate(uint64_t offset, uint32_t width, uint32_t& address) const {
  const uint32_t control = static_cast<uint32_t>(bridgeCore_.peek(kWindowControlOffset, 32));
  if ((control & kWindowEnable) == 0 || (control & 0xFFFFFF00u) != kBar0Offset) return false;
  const uint32_t exponent = control & 0x1Fu;
  const uint64_t windowSize = 1ull << exponent;
  if (offset + width / 8 > windowSize) return false;
  const uint32_t mask = ~0u << exponent;
  const uint32_t select = static_cast<uint32_t>(bridgeCore_.peek(kWindowSelectOffset, 32));
  address = (select & mask) | static_cast<uint32_t>(offset);
  return true;
}

}  // namespace simboard
