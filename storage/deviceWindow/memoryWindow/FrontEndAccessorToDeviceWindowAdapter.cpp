#include "storage/deviceWindow/memoryWindow/FrontEndAccessorToDeviceWindowAdapter.h"

#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"

namespace voltarissharedsource {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::copyBytes;

// A register address travels as 32 bits: a larger offset would reach another
// register instead of being refused.
bool FrontEndAccessorToDeviceWindowAdapter::checkAccess(const void* buffer, uint64_t offset, uint64_t count,
                                                        tStatus& status) const {
  if (status.isFatal()) return false;
  if (buffer == nullptr || accessor_ == nullptr || count != 4 || offset > 0xFFFFFFFFu) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
    return false;
  }
  return true;
}

void FrontEndAccessorToDeviceWindowAdapter::read(uint64_t offset, uint64_t count, uint8_t* destination,
                                                 tStatus& status) {
  if (!checkAccess(destination, offset, count, status)) return;
  const uint32_t word = accessor_->read32(static_cast<uint32_t>(offset), status);
  copyBytes(destination, &word, 4);
}

void FrontEndAccessorToDeviceWindowAdapter::write(const uint8_t* source, uint64_t offset, uint64_t count,
                                                  tStatus& status) {
  if (!checkAccess(source, offset, count, status)) return;
  uint32_t word = 0;
  copyBytes(&word, source, 4);
  accessor_->write32(static_cast<uint32_t>(offset), word, status);
}

}  // namespace voltarissharedsource
