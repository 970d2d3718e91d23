#include "dma/memory/tStandardDMAMap.h"

#include "kal/include/nKIVKAL.h"
#include "platform/driver/kalStatus.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tStandardDMAMap::tStandardDMAMap(const tDMAConfiguration& configuration)
    : configuration_(&configuration),
      offset_(0),
      size_(0),
      fromDevice_(0),
      sgl_(nullptr),
      capacityPages_(0),
      cursor_(0),
      segments_(0) {}

// Owners unmap first; the list goes with the map.
tStandardDMAMap::~tStandardDMAMap() { freeSGL(); }

void tStandardDMAMap::allocateSGL(uint64_t size, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t pageSize = nKIVKAL100_getPageSize();
  // One page more than the size needs, for a range that does not start on a
  // page boundary.
  const uint64_t needed = size <= 1 ? size : size / pageSize + (size % pageSize != 0 ? 1 : 0) + 1;
  if (capacityPages_ >= needed) return;
  void* created = nKIVKAL220_tSGL_createForPCI(configuration_->getKalPCIFunction(), needed);
  if (created == nullptr) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  if (sgl_ != nullptr) nKIVKAL220_tSGL_destroy(sgl_);
  sgl_ = created;
  capacityPages_ = needed;
  segments_ = 0;
}

void tStandardDMAMap::freeSGL() {
  if (sgl_ != nullptr) nKIVKAL220_tSGL_destroy(sgl_);
  sgl_ = nullptr;
  capacityPages_ = 0;
  cursor_ = 0;
  segments_ = 0;
}

void tStandardDMAMap::map(const tPageList& pageList, uint64_t offset, uint64_t size, uint32_t fromDevice,
                          nKIVAPALS100::tStatus& status) {
  offset_ = offset;
  size_ = size;
  fromDevice_ = fromDevice;
  allocateSGL(size, status);
  if (status.isFatal()) {
    unmap();
    return;
  }
  // Both offsets are bytes into the pages; a sum that wraps names no page.
  const uint64_t start = offset + pageList.offset;
  const int32_t code = start < offset ? -51009
                                      : nKIVKAL220_tSGL_map(sgl_, pageList.handle, start, size, fromDevice != 0 ? 1 : 0);
  kivTranslateKalStatus(code, status);
  if (status.isFatal()) {
    unmap();
    return;
  }
  segments_ = nKIVKAL220_tSGL_numSegments(sgl_);
  cursor_ = 0;
}

void tStandardDMAMap::unmap() {
  if (sgl_ != nullptr) nKIVKAL220_tSGL_unmap(sgl_);
  cursor_ = 0;
  offset_ = 0;
  size_ = 0;
  segments_ = 0;
}

void tStandardDMAMap::prepareForDMA() {
  if (sgl_ != nullptr) nKIVKAL220_tSGL_prepareForDMA(sgl_);
}

void tStandardDMAMap::completeDMA(uint64_t byteCount) {
  if (byteCount == 0 || sgl_ == nullptr) return;
  nKIVKAL220_tSGL_completeDMA(sgl_, byteCount);
}

uint32_t tStandardDMAMap::numSGLSegments() const { return sgl_ == nullptr ? 0 : nKIVKAL220_tSGL_numSegments(sgl_); }

void tStandardDMAMap::resetSGLIterator() {
  if (sgl_ != nullptr) nKIVKAL220_tSGL_iterate(sgl_);
  cursor_ = 0;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
