// A copy of a caller's image, taken from user memory through the kernel
// layer. The caller checks the size against the target before building
// one, so no buffer of a size the target refuses is ever allocated.
#pragma once

#include <stdint.h>

#include "framework/kdut/FirmwareBase.h"
#include "platform/memory/tUserBuffer.h"

namespace kdut {

template <typename Target>
class CustomFirmware : public FirmwareBase<Target> {
 public:
  CustomFirmware(Target target, const vorlan_driver::nKIVAPAL000::tEventDescriptor* descriptor, uint64_t userPointer,
                 uint64_t bytes, nKIVAPALS100::tStatus& status)
      : FirmwareBase<Target>(target) {
    uint8_t* out = this->sizeBuffer(bytes, status);
    if (out == nullptr) return;
    const vorlan_driver::nKIVAPAL000::tUserBuffer source(descriptor, userPointer, bytes);
    // The layer copies at most 4 GiB at a time.
    constexpr uint64_t kChunk = 1ull << 30;
    for (uint64_t at = 0; at < bytes && status.isNotFatal(); at += kChunk) {
      const uint64_t length = bytes - at < kChunk ? bytes - at : kChunk;
      source.copyFromUser(at, out + at, static_cast<uint32_t>(length), status);
    }
    if (status.isFatal()) this->dropBuffer();
  }
  ~CustomFirmware() override {}
};

}  // namespace kdut
