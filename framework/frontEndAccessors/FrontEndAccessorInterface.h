// One 32-bit register access of a device that is not mapped into a BAR: the
// isolated side across the isolation link, or the chassis power monitor.
// Addresses are in the reached device's own numbering.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace voltarissharedsource {

class FrontEndAccessorInterface {
 public:
  virtual ~FrontEndAccessorInterface() {}
  virtual void write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) = 0;
  // 0xFFFFFFFF, with nothing read and no lock taken, when the status
  // already holds an error.
  virtual uint32_t read32(uint32_t address, nKIVAPALS100::tStatus& status) = 0;

 protected:
  FrontEndAccessorInterface() {}
  FrontEndAccessorInterface(const FrontEndAccessorInterface&) = delete;
  FrontEndAccessorInterface& operator=(const FrontEndAccessorInterface&) = delete;
};

}  // namespace voltarissharedsource
