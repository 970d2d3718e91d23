// An accessor whose "device" is a byte array of its own: a memory window
// over it behaves like one over real device memory, without the device.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "storage/deviceWindow/memoryWindow/MemoryAccessorInterface.h"

namespace devicewindow {

class MemoryAccessor : public MemoryAccessorInterface {
 public:
  // size bytes, each 0xFF, like erased memory.
  MemoryAccessor(uint64_t size, nKIVAPALS100::tStatus& status);
  // A copy of length bytes from source.
  MemoryAccessor(const uint8_t* source, uint64_t length, nKIVAPALS100::tStatus& status);
  ~MemoryAccessor() override {}

  void beginRead(nKIVAPALS100::tStatus&) override {}
  void beginWrite(nKIVAPALS100::tStatus&) override {}
  void endRead(nKIVAPALS100::tStatus&) override {}
  void endWrite(nKIVAPALS100::tStatus&) override {}
  void read(uint64_t offset, uint64_t count, uint8_t* destination, nKIVAPALS100::tStatus& status) override;
  void write(const uint8_t* source, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) override;
  uint64_t getSizeInBytes() const override { return bytes_.count(); }

 private:
  // The accessor is public on its own, so it checks its ranges itself
  // rather than trusting every caller to be a window.
  bool checkRange(const void* buffer, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) const;

  vorlan_driver::nKIVAPAL000::tVector<uint8_t> bytes_;
};

}  // namespace devicewindow
