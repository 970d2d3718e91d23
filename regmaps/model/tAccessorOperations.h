// How a map's engine reaches the hardware: a constant pair of functions per
// kind of accessor, so the engine does not care which kind a map holds.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "regmaps/model/tPCIMemorySpaceAccessorDebug.h"

namespace arm {

struct tAccessorOperations {
  // One access of `width` bits at the register address; false when the
  // accessor reported a failure into the status.
  bool (*read)(void* accessor, uint32_t address, uint32_t width, uint64_t& value, nKIVAPALS100::tStatus& status);
  bool (*write)(void* accessor, uint32_t address, uint32_t width, uint64_t value, nKIVAPALS100::tStatus& status);
};

// Memory-space accessor: one kernel-layer access of the register's width.
extern const tAccessorOperations kMemorySpaceAccessorOperations;

// Any 32-bit register accessor (write32/read32 with a status): one call per
// register access, whatever the register's width.
template <class tAccessor32>
struct tAccessor32Operations {
  static bool read(void* accessor, uint32_t address, uint32_t, uint64_t& value, nKIVAPALS100::tStatus& status) {
    const uint32_t word = static_cast<tAccessor32*>(accessor)->read32(address, status);
    if (status.isFatal()) return false;
    value = word;
    return true;
  }
  static bool write(void* accessor, uint32_t address, uint32_t, uint64_t value, nKIVAPALS100::tStatus& status) {
    static_cast<tAccessor32*>(accessor)->write32(address, static_cast<uint32_t>(value), status);
    return status.isNotFatal();
  }
  static constexpr tAccessorOperations kOperations = {&read, &write};
};

}  // namespace arm
