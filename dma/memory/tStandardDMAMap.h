// The DMA map in use: one kernel-layer PCI scatter-gather list, created on
// the first map and kept (growing only) across unmaps.
#pragma once

#include <stdint.h>

#include "dma/memory/tDMAMapCore.h"
#include "kal/include/nKIVKAL.h"
#include "platform/device/tDMAConfiguration.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tStandardDMAMap final : public tDMAMapCore {
 public:
  explicit tStandardDMAMap(const tDMAConfiguration& configuration);
  ~tStandardDMAMap() override;
  tStandardDMAMap(const tStandardDMAMap&) = delete;
  tStandardDMAMap& operator=(const tStandardDMAMap&) = delete;

  void allocateSGL(uint64_t size, nKIVAPALS100::tStatus& status) override;
  void freeSGL() override;
  void map(const tPageList& pageList, uint64_t offset, uint64_t size, uint32_t fromDevice,
           nKIVAPALS100::tStatus& status) override;
  void unmap() override;
  void prepareForDMA() override;
  void completeDMA(uint64_t byteCount) override;
  uint32_t numSGLSegments() const override;
  void resetSGLIterator() override;
  bool moreSGLSegments() const override { return sgl_ != nullptr && cursor_ < segments_; }
  // Inline: appending a mapped buffer to a chain calls it once per segment.
  tDMASegment nextSGLSegment() override {
    if (!moreSGLSegments()) return {0, 0};
    const tDMASegment segment{nKIVKAL220_tSGL_getSegmentAddress(sgl_), nKIVKAL220_tSGL_getSegmentSize(sgl_)};
    nKIVKAL220_tSGL_nextSegment(sgl_);
    ++cursor_;
    return segment;
  }

  uint64_t getOffset() const { return offset_; }
  uint64_t getSize() const { return size_; }
  uint32_t getFromDevice() const { return fromDevice_; }
  uint64_t getCapacityPages() const { return capacityPages_; }
  uint64_t getCursor() const { return cursor_; }
  bool hasSGL() const { return sgl_ != nullptr; }

 private:
  const tDMAConfiguration* configuration_;
  uint64_t offset_;
  uint64_t size_;
  uint32_t fromDevice_;
  void* sgl_;
  uint64_t capacityPages_;
  uint64_t cursor_;
  // The layer's segment count of the current mapping; it only changes with
  // map and unmap, so the walk need not ask for it per segment.
  uint64_t segments_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
