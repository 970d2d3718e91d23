#include "device/frontEndAccessors/CpldFrontEndAccessor.h"

#include "platform/status/statusCodes.h"

namespace vorlan_driver {

void CpldFrontEndAccessor::write32(uint32_t address, uint32_t value, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  // The register address must also fit the accessor's 8-bit argument; the
  // word's 4-bit field is the narrower bound.
  if (address > kAddressLimit || value > kDataLimit) {
    vorlanSetCode(status, statusCodes::kValueOutOfRange);
    return;
  }
  accessor_->write(index_, address, value, status);
}

uint32_t CpldFrontEndAccessor::read32(uint32_t, nKIVAPALS100::tStatus& status) {
  vorlanSetCode(status, kReadNotSupported);
  return 0xFFFFFFFFu;
}

}  // namespace vorlan_driver
