#include "storage/voltarisCalibrationTools/storageMaps/HeaderUtilityStorageMap.h"

namespace voltariscalibrationtools {

using nKIVAPALS100::tStatus;

void HeaderUtilityStorageMap::setPassword(const storagemap::StringValue& password, tStatus& status) {
  header_->setPassword(password, status);
}

void HeaderUtilityStorageMap::getPassword(storagemap::StringValue& password, tStatus& status) {
  header_->getPassword(password, status);
}

void HeaderUtilityStorageMap::setComments(const storagemap::StringValue& comments, tStatus& status) {
  header_->setComments(comments, status);
}

void HeaderUtilityStorageMap::getComments(storagemap::StringValue& comments, tStatus& status) {
  header_->getComments(comments, status);
}

void HeaderUtilityStorageMap::flush(bool force, tStatus& status) { header_->flush(force, status); }

}  // namespace voltariscalibrationtools
