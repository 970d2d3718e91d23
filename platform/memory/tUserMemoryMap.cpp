#include "platform/memory/tUserMemoryMap.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"
#include "platform/memory/tPageList.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {
constexpr uint32_t kAccessModeWritable = 1u << 1;
}  // namespace

tUserMemoryMap::tUserMemoryMap(tSession* session, void* handle, uint16_t word)
    : size_(nKIVKAL220_tUserMemMap_getSize(handle)),
      word_(word),
      access_((nKIVKAL220_tUserMemMap_getAccessMode(handle) & kAccessModeWritable) != 0 ? kAccessReadWrite
                                                                                          : kAccessRead),
      handle_(handle),
      address_(nKIVKAL220_tUserMemMap_getVirtualAddress(handle)),
      session_(session) {}

bool tUserMemoryMap::checkOffset(uint64_t offset, nKIVAPALS100::tStatus& status) const {
  const uint64_t page = nKIVKAL100_getPageSize();
  if (page == 0 || offset % page != 0) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return false;
  }
  return true;
}

void tUserMemoryMap::mapPageList(const tPageList& pageList, uint64_t offset, uint64_t length,
                                 nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || !checkOffset(offset, status)) return;
  const uint64_t page = nKIVKAL100_getPageSize();
  // Rounded up without overflowing for lengths near the top of the range.
  const uint64_t pages = length / page + (length % page != 0 ? 1 : 0);
  kivTranslateKalStatus(nKIVKAL220_tUserMemMap_mapPageList(handle_, pageList.handle, offset / page, pages), status);
}

void tUserMemoryMap::mapPhysicalAddress(uint64_t offset, uint64_t physical, uint32_t cacheMode,
                                        nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || !checkOffset(offset, status)) return;
  kivTranslateKalStatus(
      nKIVKAL2280_tUserMemMap_mapPhysicalAddress(handle_, offset, physical, cacheMode == 1 ? 1u : 0u), status);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
