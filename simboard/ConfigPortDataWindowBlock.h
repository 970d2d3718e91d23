// The configuration port's data window in BAR 0: byte-wide accesses that the
// SPI engine claims become flash transactions; everything else is plain
// storage.
#pragma once

#include <cstdint>

#include "simboard/RegisterBlock.h"

namespace simboard {

class ConfigPortSpiBlock;

class ConfigPortDataWindowBlock : public RegisterBlock {
 public:
  ConfigPortDataWindowBlock(uint64_t size, ConfigPortSpiBlock& engine);
};

}  // namespace simboard
