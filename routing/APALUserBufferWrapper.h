// The routing sessions' view of a caller's buffer: reads and writes at an
// offset through the kernel layer's user copies. Nothing is owned.
#pragma once

#include <stdint.h>

#include "platform/memory/tUserBuffer.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace kivark {

class APALUserBufferWrapper {
 public:
  explicit APALUserBufferWrapper(const vorlan_driver::nKIVAPAL000::tUserBuffer* buffer) : buffer_(buffer) {}
  virtual ~APALUserBufferWrapper() {}

  // A length the user copies cannot carry is refused rather than cut short.
  void readFromBuffer(uint64_t offset, void* destination, uint64_t length, nKIVAPALS100::tStatus& status) const {
    if (!checkLength(length, status)) return;
    buffer_->copyFromUser(offset, destination, static_cast<uint32_t>(length), status);
  }
  void writeToBuffer(uint64_t offset, const void* source, uint64_t length, nKIVAPALS100::tStatus& status) const {
    if (!checkLength(length, status)) return;
    buffer_->copyToUser(offset, source, static_cast<uint32_t>(length), status);
  }
  uint64_t getSize() const { return buffer_->getSize(); }

 private:
  static bool checkLength(uint64_t length, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return false;
    if (length > 0xFFFFFFFFu) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
      return false;
    }
    return true;
  }

  const vorlan_driver::nKIVAPAL000::tUserBuffer* buffer_;
};

}  // namespace kivark
