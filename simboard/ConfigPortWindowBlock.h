// The bridge's configuration-port window: 2^n bytes of the configuration-
// port address space shown in BAR 0, placed and sized by the bridge core's
// window-control register (0xC0: bits 0-4 n, bit 7 enable, bits 8-31 the
// window's BAR offset) and moved by its window-select register (0xE0: the
// high address bits shown). At power-on 0xC0 holds 0x0001000C: a disabled
// 4 KiB window at BAR 0 + 0x10000, which is where this block sits. Accesses
// while the window is disabled, placed elsewhere or beyond its size read
// all ones and are dropped. With an SPI engine attached, the byte-wide
// accesses the engine claims (while a flash transfer format is programmed)
// are flash transactions instead, enabled or not: the same window serves both.
#pragma once

#include <cstdint>

#include "simboard/BridgeCoreBlock.h"
#include "simboard/ConfigPortSpace.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

class ConfigPortSpiBlock;

class ConfigPortWindowBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x10000;
  static constexpr uint64_t kSize = 0x1000;
  static constexpr uint64_t kWindowControlOffset = 0xC0;  // in the bridge core
  static constexpr uint64_t kWindowSelectOffset = 0xE0;   // in the bridge core
  static constexpr uint32_t kWindowEnable = 0x80;
  static constexpr uint32_t kPowerOnWindowControl = 0x00010000u | 12u;

  explicit ConfigPortWindowBlock(BridgeCoreBlock& bridgeCore);

  // Every offset of the window behaves alike, so the block answers itself.
  uint64_t read(uint64_t offset, uint32_t width) override;
  void write(uint64_t offset, uint32_t width, uint64_t value) override;

  ConfigPortSpace& space() { return space_; }
  void attachSpiEngine(ConfigPortSpiBlock* engine) { engine_ = engine; }

 private:
  // The configuration-port address an access at `offset` reaches, or false.
  bool translate(uint64_t offset, uint32_t width, uint32_t& address) const;
  // Whether the window sits here and covers `offset`, enabled or not.
  bool placedOver(uint64_t offset) const;
  bool engineClaims(uint64_t offset, uint32_t width, bool read) const;

  BridgeCoreBlock& bridgeCore_;
  ConfigPortSpace space_;
  ConfigPortSpiBlock* engine_ = nullptr;
};

}  // namespace simboard
