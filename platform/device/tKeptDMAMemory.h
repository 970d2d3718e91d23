// A piece of DMA memory (a block of link memory, a pinned and mapped
// buffer) that its owner may hand to the device's DMA configuration instead
// of freeing it: when a DMA engine never showed that it stopped, it may go
// on fetching links and moving data, and the kernel layer has no way to end
// the function's bus mastering, so nothing it may reach is unmapped,
// unpinned or freed while the device is there. The configuration keeps it
// untouched and destroys it when it goes with its device.
#pragma once

#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tKeptDMAMemory {
 public:
  tKeptDMAMemory() : nextKept_(nullptr) {}
  // Unmaps, unpins and frees the memory.
  virtual ~tKeptDMAMemory() {}
  tKeptDMAMemory(const tKeptDMAMemory&) = delete;
  tKeptDMAMemory& operator=(const tKeptDMAMemory&) = delete;

  // The bytes the device may reach there.
  virtual uint64_t getKeptBytes() const = 0;

 private:
  friend class tDMAConfiguration;
  tKeptDMAMemory* nextKept_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
