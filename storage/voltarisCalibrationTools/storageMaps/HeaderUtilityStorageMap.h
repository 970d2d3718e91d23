// A narrow view of one header record for tools that edit its two text
// fields. The record is not owned.
#pragma once

#include "platform/status/tStatus.h"
#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"

namespace voltariscalibrationtools {

class HeaderUtilityStorageMap {
 public:
  explicit HeaderUtilityStorageMap(HeaderStorageMap& header) : header_(&header) {}
  virtual ~HeaderUtilityStorageMap() {}
  HeaderUtilityStorageMap(const HeaderUtilityStorageMap&) = delete;
  HeaderUtilityStorageMap& operator=(const HeaderUtilityStorageMap&) = delete;

  virtual void setPassword(const storagemap::StringValue& password, nKIVAPALS100::tStatus& status);
  virtual void getPassword(storagemap::StringValue& password, nKIVAPALS100::tStatus& status);
  virtual void setComments(const storagemap::StringValue& comments, nKIVAPALS100::tStatus& status);
  virtual void getComments(storagemap::StringValue& comments, nKIVAPALS100::tStatus& status);
  // Commits the record, with a fresh checksum, to the device.
  virtual void flush(bool force, nKIVAPALS100::tStatus& status);

 private:
  HeaderStorageMap* header_;
};

}  // namespace voltariscalibrationtools
