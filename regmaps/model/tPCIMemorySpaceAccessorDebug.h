// A mapped block of a PCI memory BAR as the register maps reach it: the
// kernel address of its first byte and its size. Accesses of 8, 16 and 32
// bits go through the kernel layer; 64-bit accesses through our two hooks,
// which the kernel build turns into plain loads and stores.
#pragma once

#include <stdint.h>

#include "kal/include/nKIVKAL.h"


namespace vorlan_driver {
namespace nKIVAPAL000 {

template <bool kTrace>
class tPCIMemorySpaceAccessorDebug {
 public:
  tPCIMemorySpaceAccessorDebug(uint64_t address, uint64_t size) : address_(address), size_(size) {}

  uint64_t getAddress() const { return address_; }
  uint64_t getSize() const { return size_; }

  // No access compares its offset with the size: the maps' offsets are fixed.
  uint8_t read8(uint32_t offset) const { return nKIVKAL100_memoryRead8(at(offset)); }
  uint16_t read16(uint32_t offset) const { return nKIVKAL100_memoryRead16(at(offset)); }
  uint32_t read32(uint32_t offset) const { return nKIVKAL100_memoryRead32(at(offset)); }
  uint64_t read64(uint32_t offset) const { return kalHook_memoryRead64(at(offset)); }
  void write8(uint32_t offset, uint8_t value) const { nKIVKAL100_memoryWrite8(at(offset), value); }
  void write16(uint32_t offset, uint16_t value) const { nKIVKAL100_memoryWrite16(at(offset), value); }
  void write32(uint32_t offset, uint32_t value) const { nKIVKAL100_memoryWrite32(at(offset), value); }
  void write64(uint32_t offset, uint64_t value) const { kalHook_memoryWrite64(at(offset), value); }

 private:
  volatile void* at(uint32_t offset) const {
    return reinterpret_cast<volatile void*>(static_cast<uintptr_t>(address_ + offset));
  }

  uint64_t address_;
  uint64_t size_;
};

static_assert(sizeof(tPCIMemorySpaceAccessorDebug<false>) == 16, "memory-space accessor is {address, size}");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
