// A subroutine package: an image of command words loaded into the
// sequencer's local RAM from word 0, and a table pairing subroutine ids with
// their start word addresses. Each getter replaces the caller's vector with
// a copy of its sequence; on an allocation failure (-52000) the vector stays
// as it was.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutineId.h"
#include "platform/containers/tVector.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class SubroutinePackageInterface {
 public:
  virtual ~SubroutinePackageInterface() {}
  virtual void getImage(nKIVAPAL000::tVector<uint64_t>& image, nKIVAPALS100::tStatus& status) = 0;
  virtual void getSubroutineIds(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids,
                                nKIVAPALS100::tStatus& status) = 0;
  virtual void getAddresses(nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace vorlan_driver
