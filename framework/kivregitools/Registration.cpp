#include "framework/kivregitools/Registration.h"

#include "framework/kivregitools/registrationStatusCodes.h"
#include "platform/status/statusCodes.h"

namespace kivregitools {

Registration::Registration(const char* versionText, const char* oldestCompatibleVersionText,
                           vorlan_driver::nKIVAPAL000::tMutex* lentMutex, nKIVAPALS100::tStatus& status)
    : supportsVersioning_(versionText != nullptr && *versionText != '\0'),
      version_(versionText, status),
      oldestCompatibleVersion_(oldestCompatibleVersionText, status),
      ownMutex_(),
      mutex_(lentMutex != nullptr ? lentMutex : &ownMutex_) {
  if (status.isFatal()) return;
  if (lentMutex == nullptr) {
    ownMutex_.create(status);
  } else if (!lentMutex->isCreated()) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
  }
}

void Registration::compareWith(Version requested, nKIVAPALS100::tStatus& status) const {
  if (status.isFatal()) return;
  const bool versionRequested = requested != Version::noVersion();
  if (!versionRequested) {
    if (supportsVersioning_) vorlanSetCode(status, codes::kVersionRequired);
    return;
  }
  if (!supportsVersioning_) {
    vorlanSetCode(status, codes::kVersioningNotSupported);
  } else if (requested < oldestCompatibleVersion_) {
    vorlanSetCode(status, codes::kIncompatibleVersion);
  } else if (requested > version_) {
    vorlanSetCode(status, codes::kNewerVersionWarning);
  }
}

}  // namespace kivregitools
