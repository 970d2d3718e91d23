#include "simboard/ConfigPortSpace.h"

namespace simboard {

ConfigPortSpace::ConfigPortSpace(BridgeCoreBlock& bridgeCore) : bridgeCore_(bridgeCore) {
  setChainFault(ChainFault::kNone);
}

uint64_t ConfigPortSpace::read(uint32_t address, uint32_t width) {
  if (address < BridgeCoreBlock::kSize) return bridgeCore_.read(address, width);
  uint64_t value = 0;
  for (uint32_t i = 0; i < width / 8; ++i) {
    auto it = bytes_.find(address + i);
    if (it != bytes_.end()) value |= static_cast<uint64_t>(it->second) << (8 * i);
  }
  return value;
}

void ConfigPortSpace::write(uint32_t address, uint32_t width, uint64_t value) {
  if (address < BridgeCoreBlock::kSize) {
    bridgeCore_.write(address, width, value);
    return;
  }
  for (uint32_t i = 0; i < width / 8; ++i) bytes_[address + i] = static_cast<uint8_t>(value >> (8 * i));
}

void ConfigPortSpace::setChainFault(ChainFault fault) {
  bytes_.clear();
  const uint32_t gaOffset = kGeographicAddressCapability - kChainStart;
  bridgeCore_.poke(kDirectoryPointer, 32, 0);
  bridgeCore_.poke(kChainStartOffset, 32, kChainStart);
  bridgeCore_.poke(kAlternateChainStartOffset, 32, 0);
  poke32(kChainStart, header(kOtherCapabilityID, gaOffset, 2));
  poke32(kGeographicAddressCapability, header(kGeographicAddressID, 0, 0));
  poke32(kGeographicAddressCapability + 4, kGeographicAddressRegister);
  poke32(kGeographicAddressCapability + 8, kGeographicAddressFormat);
  switch (fault) {
    case ChainFault::kNone:
      break;
    case ChainFault::kInvalidNextKind:
      poke32(kChainStart, header(kOtherCapabilityID, gaOffset, 3));
      break;
    case ChainFault::kNoGeographicAddress:
      poke32(kGeographicAddressCapability, header(kOtherCapabilityID + 1, 0, 0));
      break;
    case ChainFault::kRelativeZero:
      poke32(kChainStart, header(kOtherCapabilityID, 0, 2));
      break;
    case ChainFault::kAbsoluteLoop:
      poke32(kGeographicAddressCapability, header(kOtherCapabilityID + 1, kChainStart, 0));
      break;
    case ChainFault::kZeroChainStart:
      bridgeCore_.poke(kChainStartOffset, 32, 0);
      break;
    case ChainFault::kMisalignedChainStart:
      bridgeCore_.poke(kChainStartOffset, 32, kChainStart + 2);
      break;
  }
}

}  // namespace simboard
