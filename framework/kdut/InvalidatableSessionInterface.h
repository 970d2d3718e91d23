#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace kdut {

class InvalidatableSessionInterface {
 public:
  virtual ~InvalidatableSessionInterface() {}
  virtual bool isValid() const = 0;
  virtual void checkValid(nKIVAPALS100::tStatus& status) const = 0;
  virtual uint32_t revalidate() = 0;
};

}  // namespace kdut
