#include "storage/deviceWindow/memoryWindow/MemorySpaceAccessorToMemoryWindowAdapter.h"

#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"

namespace voltarissharedsource {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::copyBytes;

// Beyond the region lies memory that is not ours to touch, so the range is
// checked as well as the alignment.
bool MemorySpaceAccessorToMemoryWindowAdapter::checkRange(const void* buffer, uint64_t offset, uint64_t count,
                                                          tStatus& status) const {
  if (status.isFatal()) return false;
  if (buffer == nullptr || memorySpace_ == nullptr || (offset % 4) != 0 || (count % 4) != 0 || offset > size_ ||
      count > size_ - offset) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
    return false;
  }
  return true;
}

void MemorySpaceAccessorToMemoryWindowAdapter::read(uint64_t offset, uint64_t count, uint8_t* destination,
                                                    tStatus& status) {
  if (!checkRange(destination, offset, count, status)) return;
  for (uint64_t i = 0; i < count / 4; ++i) {
    const uint32_t word = memorySpace_->read32(static_cast<uint32_t>(offset + 4 * i));
    copyBytes(destination + 4 * i, &word, 4);
  }
}

void MemorySpaceAccessorToMemoryWindowAdapter::write(const uint8_t* source, uint64_t offset, uint64_t count,
                                                     tStatus& status) {
  if (!checkRange(source, offset, count, status)) return;
  for (uint64_t i = 0; i < count / 4; ++i) {
    uint32_t word = 0;
    copyBytes(&word, source + 4 * i, 4);
    memorySpace_->write32(static_cast<uint32_t>(offset + 4 * i), word);
  }
}

}  // namespace voltarissharedsource
