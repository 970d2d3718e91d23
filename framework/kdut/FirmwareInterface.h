// A firmware image held in kernel memory, and the device it is for.
#pragma once

#include <stdint.h>

namespace kdut {

template <typename Target>
class FirmwareInterface {
 public:
  virtual ~FirmwareInterface() {}
  virtual const uint8_t* data() const = 0;
  virtual uint64_t size() const = 0;
  virtual Target getTarget() const = 0;
};

}  // namespace kdut
