// Lets a memory window reach one front-end register per access: the offset
// is the register's address and every access moves exactly one 32-bit word.
#pragma once

#include <stdint.h>

#include "framework/frontEndAccessors/FrontEndAccessorInterface.h"
#include "storage/deviceWindow/memoryWindow/MemoryAccessorInterface.h"

namespace voltarissharedsource {

class FrontEndAccessorToDeviceWindowAdapter : public devicewindow::MemoryAccessorInterface {
 public:
  FrontEndAccessorToDeviceWindowAdapter(FrontEndAccessorInterface* accessor, uint64_t sizeInBytes)
      : accessor_(accessor), size_(sizeInBytes) {}
  ~FrontEndAccessorToDeviceWindowAdapter() override {}

  void beginRead(nKIVAPALS100::tStatus&) override {}
  void beginWrite(nKIVAPALS100::tStatus&) override {}
  void endRead(nKIVAPALS100::tStatus&) override {}
  void endWrite(nKIVAPALS100::tStatus&) override {}
  // count must be 4 and the offset a 32-bit register address.
  void read(uint64_t offset, uint64_t count, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void write(const uint8_t* source, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) override;
  uint64_t getSizeInBytes() const override { return size_; }

 private:
  bool checkAccess(const void* buffer, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) const;

  FrontEndAccessorInterface* accessor_;
  uint64_t size_;
};

}  // namespace voltarissharedsource
