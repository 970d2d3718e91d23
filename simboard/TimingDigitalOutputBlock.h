// The timing chip's digital-output block at BAR 0 + 0x50000 (map offsets
// 0x0-0x33). Every register is write-only and keeps what was written in its
// latch; the 32-bit read side at 0x0 reports the line levels the board sees.
#pragma once

#include <cstdint>

#include "simboard/SplitRegisterBlock.h"

namespace simboard {

class TimingDigitalOutputBlock : public SplitRegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x50000;
  static constexpr uint64_t kSize = 0x34;
  static constexpr uint64_t kLineLevelsOffset = 0x0;
  static constexpr uint64_t kOutputOffset = 0x4;
  static constexpr uint64_t kDirectionOffset = 0x8;
  static constexpr uint32_t kWriteProtectLine = 7;

  TimingDigitalOutputBlock();

  // The serial flash's write-protect line as the driver last programmed it.
  bool writeProtectLineIsOutput() const;
  bool writeProtectLineLevel() const;
};

}  // namespace simboard
