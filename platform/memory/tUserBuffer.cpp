#include "platform/memory/tUserBuffer.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

// The caller's size bounds every copy: a request never reaches user memory
// past the buffer it named, and an offset cannot wrap the user pointer.
bool tUserBuffer::checkRange(uint64_t offset, uint32_t length, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return false;
  if (offset > size_ || length > size_ - offset) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return false;
  }
  return true;
}

void tUserBuffer::copyFromUser(uint64_t offset, void* destination, uint32_t length,
                               nKIVAPALS100::tStatus& status) const {
  if (!checkRange(offset, length, status)) return;
  const void* source = reinterpret_cast<const void*>(userPointer_ + offset);
  kivTranslateKalStatus(nKIVKAL100_replicateInboundIOControlBuffer(destination, source, length), status);
}

void tUserBuffer::copyToUser(uint64_t offset, const void* source, uint32_t length,
                             nKIVAPALS100::tStatus& status) const {
  if (!checkRange(offset, length, status)) return;
  void* destination = reinterpret_cast<void*>(userPointer_ + offset);
  kivTranslateKalStatus(nKIVKAL100_replicateOutboundIOControlBuffer(destination, source, length), status);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
