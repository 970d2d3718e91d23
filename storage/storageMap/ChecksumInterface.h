// A checksum over a block of bytes. Maps hold theirs as a member and are
// never deleted through this interface, hence no virtual destructor.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace storagemap {

class ChecksumInterface {
 public:
  // 0xFFFFFFFF without computing when the status already holds an error.
  virtual uint32_t compute(const void* data, uint64_t length, nKIVAPALS100::tStatus& status) const = 0;

 protected:
  ChecksumInterface() {}
  ~ChecksumInterface() {}
};

}  // namespace storagemap
