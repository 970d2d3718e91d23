// How the device addresses DMA memory, recorded by configureDMA, and the
// allocation of DMA buffers the device can reach under it; and the memory
// the device may still reach after its owner let go of it, kept until the
// device goes.
#pragma once

#include <stdint.h>

#include "platform/device/tKeptDMAMemory.h"
#include "platform/memory/tPageList.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tPCIDescription;

class tDMAConfiguration {
 public:
  enum tDMAType : uint32_t {
    kDMATypeNone = 0,
    kDMAType32Bit = 1,
    kDMAType64Bit = 2,
  };
  // Added to the caller's allocation flags under 32-bit addressing: memory
  // the device reaches with 32-bit bus addresses.
  static constexpr uint32_t kAllocationFlag32Bit = 2;

  tDMAConfiguration() : type_(kDMATypeNone), description_(nullptr), kept_(nullptr) {}
  // Reports and destroys what was kept: the device is going, and with it
  // the function the memory is mapped for.
  virtual ~tDMAConfiguration();
  tDMAConfiguration(const tDMAConfiguration&) = delete;
  tDMAConfiguration& operator=(const tDMAConfiguration&) = delete;

  // Whole pages, zeroed by nobody but the kernel layer; the page list is
  // cleared first whatever happens.
  virtual void allocateDMABuffer(tPageList& pageList, uint64_t size, uint32_t flags,
                                 nKIVAPALS100::tStatus& status, uint64_t alignment) const;
  virtual void freeDMABuffer(tPageList& pageList) const;
  // Takes over memory the device may still reach although its owner let go
  // of it; any thread may hand some over. Const, as the allocation is: the
  // device's DMA objects share the configuration read-only, and keeping
  // memory leaves how the device addresses memory as it is.
  void keep(tKeptDMAMemory* memory) const;

  tDMAType getType() const { return type_; }
  const tPCIDescription* getDescription() const { return description_; }
  // The kernel layer's handle of the PCI function, null without a device.
  void* getKalPCIFunction() const;
  void record(tDMAType type, const tPCIDescription* description) {
    type_ = type;
    description_ = description;
  }

 private:
  tDMAType type_;
  const tPCIDescription* description_;
  // Newest first.
  mutable tKeptDMAMemory* kept_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
