// The serial flash's write-protect pin on one of the timing chip's digital
// lines: made an output once, then raised to allow program and erase and
// lowered to forbid them. No lock: the flash window serialises its callers.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "regmaps/timing/tDO.h"

namespace kelttools {

class WriteProtectController {
 public:
  // Makes the masked line an output; does not drive its level. The map is
  // not owned.
  WriteProtectController(kelt_regmaps::tDO& doMap, uint64_t lineMask, nKIVAPALS100::tStatus& status);
  virtual ~WriteProtectController() {}
  WriteProtectController(const WriteProtectController&) = delete;
  WriteProtectController& operator=(const WriteProtectController&) = delete;

  // Line low: the flash refuses program and erase.
  virtual void protect(nKIVAPALS100::tStatus& status);
  // Line high.
  virtual void unprotect(nKIVAPALS100::tStatus& status);

 private:
  kelt_regmaps::tDO* doMap_;
  uint64_t lineMask_;
};

}  // namespace kelttools
