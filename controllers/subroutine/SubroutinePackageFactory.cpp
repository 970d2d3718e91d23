#include "controllers/subroutine/SubroutinePackageFactory.h"

#include "controllers/subroutine/CustomSubroutinePackage.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "platform/cppRuntime/cppNewDelete.h"

namespace vorlan_driver {

SubroutinePackageInterface* SubroutinePackageFactory::createDefaultPackage(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  return kivNew(status) DefaultSubroutinePackage();
}

SubroutinePackageInterface* SubroutinePackageFactory::createCustomPackage(
    const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t imagePointer, uint32_t wordCount, uint64_t idPointer,
    uint64_t addressPointer, uint32_t idCount, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  return kivNew(status)
      CustomSubroutinePackage(descriptor, imagePointer, wordCount, idPointer, addressPointer, idCount, status);
}

}  // namespace vorlan_driver
