// What link chains and buffer owners program against to describe memory to
// the device: a scatter-gather list over a page list, walked one bus-address
// segment at a time.
#pragma once

#include <stdint.h>

#include "platform/memory/tPageList.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tDMASegment {
  uint64_t busAddress;
  uint64_t length;
};

class tDMAMapCore {
 public:
  virtual ~tDMAMapCore() {}
  virtual void allocateSGL(uint64_t size, nKIVAPALS100::tStatus& status) = 0;
  virtual void freeSGL() = 0;
  virtual void map(const tPageList& pageList, uint64_t offset, uint64_t size, uint32_t fromDevice,
                   nKIVAPALS100::tStatus& status) = 0;
  virtual void unmap() = 0;
  virtual void prepareForDMA() = 0;
  virtual void completeDMA(uint64_t byteCount) = 0;
  virtual uint32_t numSGLSegments() const = 0;
  virtual void resetSGLIterator() = 0;
  virtual bool moreSGLSegments() const = 0;
  virtual tDMASegment nextSGLSegment() = 0;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
