#include "platform/memory/tUserBuffer.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void tUserBuffer::copyFromUser(uint64_t offset, void* destination, uint32_t length,
                               nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return;
  const void* source = reinterpret_cast<const void*>(userPointer_ + offset);
  kivTranslateKalStatus(nKIVKAL100_replicateInboundIOControlBuffer(destination, source, length), status);
}

void tUserBuffer::copyToUser(uint64_t offset, const void* source, uint32_t length,
                             nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return;
  void* destination = reinterpret_cast<void*>(userPointer_ + offset);
  kivTranslateKalStatus(nKIVKAL100_replicateOutboundIOControlBuffer(destination, source, length), status);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
