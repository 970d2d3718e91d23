#include "framework/kivregitools/Registration.h"

#include "framework/kivregitools/registrationStatusCodes.h"

namespace kivregitools {

Registration::Registration(const char* versionText, const char* oldestCompatibleVersionText,
                           nKIVAPALS100::tStatus& status)
    : supportsVersioning_(versionText != nullptr && *versionText != '\0'),
      version_(versionText, status),
      oldestCompatibleVersion_(oldestCompatibleVersionText, status),
      // Created only while the status is still clean.
      mutex_(status) {}

void Registration::checkVersion(Version requested, nKIVAPALS100::tStatus& status) const {
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
