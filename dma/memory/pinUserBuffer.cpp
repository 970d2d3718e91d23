#include "dma/memory/pinUserBuffer.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

void pinUserBuffer(uint64_t userAddress, uint64_t byteCount, tPageList& pageList, nKIVAPALS100::tStatus& status) {
  pageList.clear();
  if (status.isFatal()) return;
  const uint64_t pageSize = nKIVKAL100_getPageSize();
  const uint64_t offset = userAddress % pageSize;
  // A count whose page arithmetic wraps would pin fewer pages than the map
  // then lets the device reach.
  if (byteCount == 0 || byteCount > ~0ull - offset - (pageSize - 1)) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  const uint64_t pages = (byteCount + offset + pageSize - 1) / pageSize;
  void* handle = nKIVKAL220_tPageList_createFromUser(reinterpret_cast<void*>(static_cast<uintptr_t>(userAddress - offset)),
                                                     pages, kUserPageListFlags, byteCount, offset);
  if (handle == nullptr) {
    vorlanSetCode(status, statusCodes::kUserMemoryNotDescribable);
    return;
  }
  pageList.size = byteCount;
  pageList.offset = offset;
  pageList.handle = handle;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
