// Makes the two kinds of package. A created package belongs to the caller.
#pragma once

#include <stdint.h>

#include "controllers/subroutine/SubroutinePackageInterface.h"
#include "platform/device/tEventDescriptor.h"

namespace vorlan_driver {

class SubroutinePackageFactory {
 public:
  virtual ~SubroutinePackageFactory() {}

  // Null with -52000 when the package cannot be allocated.
  SubroutinePackageInterface* createDefaultPackage(nKIVAPALS100::tStatus& status);
  // Null with -52005, before anything is allocated or copied, when the
  // image or the table is longer than the local RAM has words; null with -52000 when it cannot be allocated; a package whose
  // copies failed is still returned, with the error in the status, for the
  // caller to delete.
  SubroutinePackageInterface* createCustomPackage(const nKIVAPAL000::tEventDescriptor* descriptor,
                                                  uint64_t imagePointer, uint32_t wordCount, uint64_t idPointer,
                                                  uint64_t addressPointer, uint32_t idCount,
                                                  nKIVAPALS100::tStatus& status);
};

}  // namespace vorlan_driver
