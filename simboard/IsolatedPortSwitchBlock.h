// The isolated-port switch's register window at BAR 0 + kBar0Offset,
// reached by plain 32-bit loads and stores: the signature (present from
// power-on, before any FPGA is loaded), a hardware version word, the
// control word (bit 2 route lock) and, per port (1 at +0x2000, 2 at
// +0x3000), a block of 0x80 bytes per channel slot: enable +0x00, command
// +0x0C, data +0x10, mode +0x18, handshake +0x2C, open lines +0x3C. All
// plain storage; the block follows each slot's routing state from the
// commands its two blocks take.
#pragma once

#include <array>
#include <cstdint>

#include "simboard/RegisterBlock.h"

namespace simboard {

class IsolatedPortSwitchBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x40000;
  static constexpr uint64_t kSize = 0x4000;
  static constexpr uint32_t kSignature = 0x3D5A9E00u;
  static constexpr uint32_t kHardwareVersion = 0x00020105u;
  static constexpr uint64_t kSignatureOffset = 0x0;
  static constexpr uint64_t kVersionOffset = 0x4;
  static constexpr uint64_t kControlOffset = 0x10;
  static constexpr uint32_t kRouteLockBit = 1u << 2;
  static constexpr uint64_t kPortPageOffset = 0x1000;
  static constexpr uint64_t kPortPageStride = 0x1000;
  static constexpr uint64_t kSlotStride = 0x80;
  static constexpr uint64_t kCommandOffset = 0x0C;
  static constexpr uint32_t kSlotCount = 32;
  static constexpr uint32_t kCommandConnect = 0x4204u;
  static constexpr uint32_t kCommandReset = 0x4101u;

  // A slot's routing state: what the last route did to it.
  enum class Route : uint8_t { kUntouched, kPort1To2, kPort2To1, kReset };

  static constexpr uint64_t slotBlock(uint32_t port, uint32_t slot) {
    return kPortPageOffset + kPortPageStride * port + kSlotStride * slot;
  }

  IsolatedPortSwitchBlock();

  Route route(uint32_t slot) const { return routes_.at(slot); }

  // ---- hardware failures
  void setSignature(uint32_t signature) { poke(kSignatureOffset, 32, signature); }
  void setRouteLock(bool locked);

 private:
  void commandWritten(uint32_t port, uint32_t slot, uint32_t value);

  std::array<Route, kSlotCount> routes_{};
};

}  // namespace simboard
