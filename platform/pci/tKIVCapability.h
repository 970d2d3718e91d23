// One record of a bus's capability chain: what it is called and how it
// reads its body once the walk has found its header.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename Bus>
class tKIVCapabilityPCIAccessor;

template <typename Bus>
class tKIVCapability {
 public:
  tKIVCapability() : offset_(0) {}
  virtual ~tKIVCapability() {}
  tKIVCapability(const tKIVCapability&) = delete;
  tKIVCapability& operator=(const tKIVCapability&) = delete;

  // The identifier sought in the headers' bits 16-31.
  virtual uint32_t getID() const = 0;
  // Reads the body of the capability whose header is at `offset`; does
  // nothing when the status holds an error.
  virtual void readCapability(tKIVCapabilityPCIAccessor<Bus>& accessor, uint32_t offset,
                              nKIVAPALS100::tStatus& status) = 0;

  // Where the capability was found; 0 before. A later search for the same
  // object continues after it.
  uint32_t getOffset() const { return offset_; }

 protected:
  void setOffset(uint32_t offset) { offset_ = offset; }

 private:
  uint32_t offset_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
