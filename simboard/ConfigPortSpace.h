// The bridge's configuration-port address space as its window shows it. The
// bridge's own core registers appear at their BAR offsets (so address 0x0C
// is the capability word, which doubles as the capability directory
// pointer); everything above is byte storage, 0 until written. By default
// it carries the bridge's capability chain:
//   directory word at kDirectoryPointer (0x120), bit 0 clear: chain start at 0x10
//   0x10: kChainStart (0x1000)
//   0x1000: a capability of another kind, relative next pointer +0x40
//   0x1040: the geographic-address capability (ID 0x4741), end of chain:
//           register kGeographicAddressRegister, mode 1 (direct BAR offset),
//           8 bits wide, shifted right by 3.
#pragma once

#include <cstdint>
#include <map>

#include "simboard/BridgeCoreBlock.h"

namespace simboard {

class ConfigPortSpace {
 public:
  static constexpr uint32_t kDirectoryPointer = BridgeCoreBlock::kCapabilities;
  static constexpr uint32_t kChainStartOffset = 0x10;
  static constexpr uint32_t kAlternateChainStartOffset = 0x14;
  static constexpr uint32_t kChainStart = 0x1000;
  static constexpr uint32_t kOtherCapabilityID = 0x5043;
  static constexpr uint32_t kGeographicAddressCapability = 0x1040;
  static constexpr uint32_t kGeographicAddressID = 0x4741;
  static constexpr uint32_t kGeographicAddressRegister = 0x7F0;  // a BAR 0 offset
  static constexpr uint32_t kGeographicAddressFormat = 0x00030101;  // shift 3, width 1, mode 1

  static constexpr uint32_t header(uint32_t id, uint32_t next, uint32_t kind) {
    return (id << 16) | (next & 0xFFFCu) | (kind & 0x3u);
  }

  // The ways the default chain can be broken.
  enum class ChainFault {
    kNone,
    kInvalidNextKind,       // the first header's next-pointer kind is 3
    kNoGeographicAddress,   // the chain ends without ID 0x4741
    kRelativeZero,          // the first header points 0 bytes on, to itself
    kAbsoluteLoop,          // the second capability points back to the first
    kZeroChainStart,        // the chain start word is 0
    kMisalignedChainStart,  // the chain start word is not 4-byte aligned
  };

  explicit ConfigPortSpace(BridgeCoreBlock& bridgeCore);

  uint64_t read(uint32_t address, uint32_t width);
  void write(uint32_t address, uint32_t width, uint64_t value);

  // Rebuilds the default chain, then breaks it as asked.
  void setChainFault(ChainFault fault);
  void setGeographicAddressFormat(uint32_t format) { poke32(kGeographicAddressCapability + 8, format); }
  void poke32(uint32_t address, uint32_t value) { write(address, 32, value); }

 private:
  BridgeCoreBlock& bridgeCore_;
  std::map<uint32_t, uint8_t> bytes_;
};

}  // namespace simboard
