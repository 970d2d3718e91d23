#include "simboard/GeographicAddressBlock.h"

namespace simboard {

GeographicAddressBlock::GeographicAddressBlock() : RegisterBlock(kSize) {
  for (uint64_t offset = 0; offset < kSize; ++offset) onWrite(offset, [](uint32_t, uint64_t) {});
}

}  // namespace simboard
