#include "simboard/ConfigPortDataWindowBlock.h"

#include "simboard/ConfigPortSpiBlock.h"

namespace simboard {

ConfigPortDataWindowBlock::ConfigPortDataWindowBlock(uint64_t size, ConfigPortSpiBlock& engine)
    : RegisterBlock(size) {
  for (uint64_t offset = 0; offset < size; ++offset) {
    onRead(offset, [this, &engine, offset](uint32_t width) -> uint64_t {
      if (width == 8 && engine.claims(true)) return engine.windowRead(offset);
      return peek(offset, width);
    });
    onWrite(offset, [this, &engine, offset](uint32_t width, uint64_t value) {
      if (width == 8 && engine.claims(false)) {
        engine.windowWrite(offset, static_cast<uint8_t>(value));
        return;
      }
      poke(offset, width, value);
    });
  }
}

}  // namespace simboard
