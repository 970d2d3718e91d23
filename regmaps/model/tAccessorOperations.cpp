#include "regmaps/model/tAccessorOperations.h"

namespace arm {

namespace {

using tMemorySpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

bool memoryRead(void* accessor, uint32_t address, uint32_t width, uint64_t& value, nKIVAPALS100::tStatus&) {
  const tMemorySpace& space = *static_cast<const tMemorySpace*>(accessor);
  switch (width) {
    case 8: value = space.read8(address); break;
    case 16: value = space.read16(address); break;
    case 32: value = space.read32(address); break;
    default: value = space.read64(address); break;
  }
  return true;
}

bool memoryWrite(void* accessor, uint32_t address, uint32_t width, uint64_t value, nKIVAPALS100::tStatus&) {
  const tMemorySpace& space = *static_cast<const tMemorySpace*>(accessor);
  switch (width) {
    case 8: space.write8(address, static_cast<uint8_t>(value)); break;
    case 16: space.write16(address, static_cast<uint16_t>(value)); break;
    case 32: space.write32(address, static_cast<uint32_t>(value)); break;
    default: space.write64(address, value); break;
  }
  return true;
}

}  // namespace

const tAccessorOperations kMemorySpaceAccessorOperations = {&memoryRead, &memoryWrite};

}  // namespace arm
