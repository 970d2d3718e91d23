// Link memory over a DMA buffer of the chain's configuration: kernel view
// for the driver's writes, a DMA map whose first segment is what the device
// sees.
#pragma once

#include "dma/sgl/tTarnSGL.h"
#include "kal/include/nKIVKAL.h"
#include "platform/memory/tPageList.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename Map>
class tTarnSGL::tDMALinkMemory : public tTarnSGL::tLinkMemory {
 public:
  explicit tDMALinkMemory(const tDMAConfiguration& configuration)
      : configuration_(&configuration), pageList_{0, 0, nullptr}, kernelView_(nullptr), map_(configuration) {}

  ~tDMALinkMemory() override {
    map_.completeDMA(~0ull);
    map_.unmap();
    if (kernelView_ != nullptr) nKIVKAL220_tPageList_unmapFromKernel(pageList_.handle);
    configuration_->freeDMABuffer(pageList_);
  }

  // Buffer of `bytes` (whole pages), kernel view, DMA mapping.
  void create(uint64_t bytes, nKIVAPALS100::tStatus& status) {
    configuration_->allocateDMABuffer(pageList_, bytes, kLinkMemoryFlags, status, kLinkMemoryAlignment);
    if (status.isFatal()) return;
    kernelView_ = static_cast<uint8_t*>(nKIVKAL220_tPageList_mapToKernel(pageList_.handle));
    if (kernelView_ == nullptr) {
      vorlanSetCode(status, statusCodes::kOutOfMemory);
      return;
    }
    map_.map(pageList_, 0, pageList_.size, 0, status);
    if (status.isFatal()) return;
    const tDMASegment first = map_.nextSGLSegment();
    busAddress_ = first.busAddress;
    size_ = first.length;
    kernelAddress_ = kernelView_ + pageList_.offset;
  }

  void commit() override {
    __atomic_thread_fence(__ATOMIC_SEQ_CST);
    map_.prepareForDMA();
  }

 private:
  const tDMAConfiguration* configuration_;
  tPageList pageList_;
  uint8_t* kernelView_;
  Map map_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
