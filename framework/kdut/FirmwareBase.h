// An image in a buffer of its own, allocated from the kernel layer and freed
// with the image.
#pragma once

#include <stdint.h>

#include "framework/kdut/FirmwareInterface.h"
#include "platform/containers/tVector.h"
#include "platform/status/tStatus.h"

namespace kdut {

template <typename Target>
class FirmwareBase : public FirmwareInterface<Target> {
 public:
  static_assert(sizeof(Target) == 4, "a target is a 32-bit value");

  explicit FirmwareBase(Target target) : target_(target), buffer_() {}
  ~FirmwareBase() override {}
  FirmwareBase(const FirmwareBase&) = delete;
  FirmwareBase& operator=(const FirmwareBase&) = delete;

  const uint8_t* data() const override { return buffer_.data(); }
  uint64_t size() const override { return buffer_.count(); }
  Target getTarget() const override { return target_; }

 protected:
  // Exactly `bytes` zero bytes; on failure the buffer stays empty.
  uint8_t* sizeBuffer(uint64_t bytes, nKIVAPALS100::tStatus& status) {
    buffer_.resizeExactly(bytes, status);
    return status.isFatal() ? nullptr : buffer_.data();
  }
  // What a failed fill leaves: no bytes to download.
  void dropBuffer() { buffer_.clear(); }

 private:
  Target target_;
  vorlan_driver::nKIVAPAL000::tVector<uint8_t> buffer_;
};

}  // namespace kdut
