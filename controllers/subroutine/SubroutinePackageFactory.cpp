#include "controllers/subroutine/SubroutinePackageFactory.h"

#include "controllers/localRAMController/localRamLayout.h"
#include "controllers/subroutine/CustomSubroutinePackage.h"
#include "controllers/subroutine/DefaultSubroutinePackage.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {

SubroutinePackageInterface* SubroutinePackageFactory::createDefaultPackage(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  return kivNew(status) DefaultSubroutinePackage();
}

SubroutinePackageInterface* SubroutinePackageFactory::createCustomPackage(
    const nKIVAPAL000::tEventDescriptor* descriptor, uint64_t imagePointer, uint32_t wordCount, uint64_t idPointer,
    uint64_t addressPointer, uint32_t idCount, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  // The counts are the caller's: they would size the package's copies, so
  // they meet the RAM's bound here, not only when the image is written. The
  // table is not tied to the image (ids may repeat, addresses may lie beyond
  // it, a table alone may point into code already in the RAM), but every
  // entry names one of the RAM's start words: a table longer than the RAM
  // has words must name some word twice or one the RAM lacks, which no
  // package needs.
  if (wordCount > kLocalRamWords || idCount > kLocalRamWords) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return nullptr;
  }
  return kivNew(status)
      CustomSubroutinePackage(descriptor, imagePointer, wordCount, idPointer, addressPointer, idCount, status);
}

}  // namespace vorlan_driver
