// What a memory window reads and writes its device through. The begin and
// end operations bracket a group of reads or writes; an accessor that needs
// no bracketing does nothing in them.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace devicewindow {

class MemoryAccessorInterface {
 public:
  virtual ~MemoryAccessorInterface() {}

  virtual void beginRead(nKIVAPALS100::tStatus& status) = 0;
  virtual void beginWrite(nKIVAPALS100::tStatus& status) = 0;
  virtual void endRead(nKIVAPALS100::tStatus& status) = 0;
  virtual void endWrite(nKIVAPALS100::tStatus& status) = 0;
  virtual void read(uint64_t offset, uint64_t count, uint8_t* destination, nKIVAPALS100::tStatus& status) = 0;
  virtual void write(const uint8_t* source, uint64_t offset, uint64_t count, nKIVAPALS100::tStatus& status) = 0;
  virtual uint64_t getSizeInBytes() const = 0;

 protected:
  MemoryAccessorInterface() {}
  MemoryAccessorInterface(const MemoryAccessorInterface&) = delete;
  MemoryAccessorInterface& operator=(const MemoryAccessorInterface&) = delete;
};

}  // namespace devicewindow
