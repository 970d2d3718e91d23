// A {user pointer, size} view of a caller's buffer. The driver never touches
// user memory directly: every copy goes through the kernel layer.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tEventDescriptor;

class tUserBuffer {
 public:
  tUserBuffer(const tEventDescriptor* descriptor, uint64_t userPointer, uint64_t size)
      : userPointer_(userPointer), size_(size) {
    (void)descriptor;
  }
  virtual ~tUserBuffer() {}

  uint64_t getUserPointer() const { return userPointer_; }
  uint64_t getSize() const { return size_; }

  // Copies past the end of the buffer are refused (-52005) before user
  // memory is touched.
  void copyFromUser(uint64_t offset, void* destination, uint32_t length, nKIVAPALS100::tStatus& status) const;
  void copyToUser(uint64_t offset, const void* source, uint32_t length, nKIVAPALS100::tStatus& status) const;

 private:
  bool checkRange(uint64_t offset, uint32_t length, nKIVAPALS100::tStatus& status) const;

  uint64_t userPointer_;
  uint64_t size_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
