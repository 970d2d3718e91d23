// Checks that the CRC-32 of the Manufacturing, Header and four calibration
// records matches their contents.
#pragma once

#include <stdint.h>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "storage/StorageMaps/QuillStorageMaps.h"

namespace vorlan_driver {

class StorageMapChecksumChecker : public kdut::HardwareStateCheckerInterface {
 public:
  static constexpr int64_t kChecksumMismatch = statusCodes::fromWord(0xBFFA4088u);

  // The owner is not owned and must outlive the checker.
  explicit StorageMapChecksumChecker(vorlan_storagemaps::QuillStorageMaps& maps) : maps_(&maps) {}
  ~StorageMapChecksumChecker() override {}
  StorageMapChecksumChecker(const StorageMapChecksumChecker&) = delete;
  StorageMapChecksumChecker& operator=(const StorageMapChecksumChecker&) = delete;

  // A mismatch sets kChecksumMismatch; a record that cannot be read leaves
  // the read's error instead.
  void checkHardwareState(nKIVAPALS100::tStatus& status) override;
  // The calibration sets, then Header, then Manufacturing; false at the
  // first record whose checksum does not match, without testing the rest.
  virtual bool isValid(nKIVAPALS100::tStatus& status);

 private:
  vorlan_storagemaps::QuillStorageMaps* maps_;
};

}  // namespace vorlan_driver
