#include "platform/device/tDMAConfiguration.h"

#include "kal/include/nKIVKAL.h"
#include "platform/debug/kivsdbg.h"
#include "platform/pci/tPCIDescription.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tDMAConfiguration::~tDMAConfiguration() {
  if (kept_ == nullptr) return;
  uint32_t pieces = 0;
  uint64_t bytes = 0;
  while (kept_ != nullptr) {
    tKeptDMAMemory* memory = kept_;
    kept_ = memory->nextKept_;
    ++pieces;
    bytes += memory->getKeptBytes();
    delete memory;
  }
  const kivsdbg_Location location = {__FILE__, __LINE__, "\n"};
  kivsdbg_printLine(&location, "the device goes: %u pieces (%llu bytes) of DMA memory kept for an engine that never "
                    "showed it stopped are released", pieces, static_cast<unsigned long long>(bytes));
}

void tDMAConfiguration::keep(tKeptDMAMemory* memory) const {
  memory->nextKept_ = __atomic_load_n(&kept_, __ATOMIC_RELAXED);
  while (!__atomic_compare_exchange_n(&kept_, &memory->nextKept_, memory, true, __ATOMIC_RELEASE,
                                      __ATOMIC_RELAXED)) {
  }
}

void* tDMAConfiguration::getKalPCIFunction() const {
  return description_ == nullptr ? nullptr
                                 : reinterpret_cast<void*>(static_cast<uintptr_t>(description_->pciFunctionHandle));
}

void tDMAConfiguration::allocateDMABuffer(tPageList& pageList, uint64_t size, uint32_t flags,
                                          nKIVAPALS100::tStatus& status, uint64_t alignment) const {
  pageList.clear();
  if (type_ == kDMATypeNone) {
    vorlanSetCode(status, statusCodes::kNotSupported);
    return;
  }
  if (type_ == kDMAType32Bit) flags += kAllocationFlag32Bit;
  const uint64_t pageSize = nKIVKAL100_getPageSize();
  if (alignment == 0 || pageSize % alignment != 0) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  if (status.isFatal()) return;
  const uint64_t pages = size / pageSize + (size % pageSize != 0 ? 1 : 0);
  const int32_t node = description_ == nullptr ? -1 : description_->numaNode;
  void* handle = node == -1 ? nKIVKAL220_tPageList_createFromAllocation(pages, flags)
                            : nKIVKAL1_tPageList_createFromAllocationNUMA(pages, flags, node);
  if (handle == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  pageList.handle = handle;
  pageList.size = pages * pageSize;
  pageList.offset = 0;
}

void tDMAConfiguration::freeDMABuffer(tPageList& pageList) const { destroyPageList(pageList); }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
