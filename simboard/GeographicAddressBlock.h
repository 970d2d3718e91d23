// The read-only register at BAR 0 + 0x7F0 where the bridge shows the
// chassis slot's geographic address, in bits 3-7 (the configuration-port
// capability says where and how to read it).
#pragma once

#include <cstdint>

#include "simboard/RegisterBlock.h"

namespace simboard {

class GeographicAddressBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x7F0;
  static constexpr uint64_t kSize = 0x4;

  GeographicAddressBlock();

  // The whole register word.
  void setRaw(uint32_t value) { poke(0, 32, value); }
  void setGeographicAddress(uint32_t address) { setRaw((address & 0x1Fu) << 3); }
};

}  // namespace simboard
