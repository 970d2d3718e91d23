#include "controllers/subroutine/SubroutineRegistrar.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

void SubroutineRegistrar::registerPackage(SubroutinePackageInterface& package, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  package.getSubroutineIds(ids_, status);
  package.getAddresses(addresses_, status);
  // Half a table would pair ids with the old addresses.
  if (status.isFatal()) {
    ids_.clear();
    addresses_.clear();
  }
}

void SubroutineRegistrar::getSubroutines(nKIVAPAL000::tVector<harrowtools::SubroutineId>& ids,
                                         nKIVAPAL000::tVector<uint32_t>& addresses, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  ids.assign(ids_.data(), ids_.count(), status);
  addresses.assign(addresses_.data(), addresses_.count(), status);
}

uint32_t SubroutineRegistrar::getNumSubroutines(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return 0;
  if (ids_.count() > 0xFFFFFFFFu) {
    vorlanSetCode(status, statusCodes::kValueOutOfRange);
    return 0;
  }
  return static_cast<uint32_t>(ids_.count());
}

uint32_t SubroutineRegistrar::getSubroutineAddress(harrowtools::SubroutineId id, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return 0;
  for (uint64_t i = 0; i < ids_.count() && i < addresses_.count(); ++i) {
    if (ids_[i] == id) return addresses_[i];
  }
  vorlanSetCode(status, kUnknownSubroutine);
  return 0;
}

}  // namespace vorlan_driver
