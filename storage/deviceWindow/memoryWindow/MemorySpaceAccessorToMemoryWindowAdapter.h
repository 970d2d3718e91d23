// Lets a memory window read and write a mapped BAR region in 32-bit words.
#pragma once

#include <stdint.h>

#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"
#include "storage/deviceWindow/memoryWindow/MemoryAccessorInterface.h"

namespace voltarissharedsource {

class MemorySpaceAccessorToMemoryWindowAdapter : public devicewindow::MemoryAccessorInterface {
 public:
  using tMemorySpace = vorlan_driver::nKIVAPAL000::tPCIMemorySpaceAccessorDebug<false>;

  MemorySpaceAccessorToMemoryWindowAdapter(const tMemorySpace* memorySpace, uint64_t sizeInBytes)
      : memorySpace_(memorySpace), size_(sizeInBytes) {}
  ~MemorySpaceAccessorToMemoryWindowAdapter() override {}

  // Word accesses need no bracketing.
  void beginRead(nKIVAPALS100::tStatus&) override {}
  void beginWrite(nKIVAPALS100::tStatus&) override {}
  void endRead(nKIVAPALS100::tStatus&) override {}
  void endWrite(nKIVAPALS100::tStatus&) override {}
  // Offset and count must be multiples of 4 and lie inside the region.
  void read(uint64_t offset, uint64_t count, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void write(const uint8_t* source, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) override;
  uint64_t getSizeInBytes() const override { return size_; }

 private:
  bool checkRange(const void* buffer, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) const;

  const tMemorySpace* memorySpace_;
  uint64_t size_;
};

}  // namespace voltarissharedsource
