// Checks that the layout versions stored in the Manufacturing, Header and
// four calibration records lie in the windows this driver supports.
#pragma once

#include <stdint.h>

#include "framework/kdut/HardwareStateCheckerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "storage/StorageMaps/QuillStorageMaps.h"

namespace vorlan_driver {

class StorageMapVersionChecker : public kdut::HardwareStateCheckerInterface {
 public:
  static constexpr int64_t kVersionNotSupported = statusCodes::fromWord(0xBFFA4082u);

  // Supported windows, as packed version words.
  static constexpr uint32_t kLowestCalibrationVersion = 0x01000005u;   // 1.0.0d5
  static constexpr uint32_t kHighestCalibrationVersion = 0x01000007u;  // 1.0.0d7
  static constexpr uint32_t kLowestHeaderVersion = 0x01000000u;        // 1.0.0d0
  static constexpr uint32_t kHighestHeaderVersion = 0x01000000u;
  static constexpr uint32_t kLowestManufacturingVersion = 0x01000000u;
  static constexpr uint32_t kHighestManufacturingVersion = 0x01000000u;

  // The owner is not owned and must outlive the checker.
  explicit StorageMapVersionChecker(vorlan_storagemaps::QuillStorageMaps& maps) : maps_(&maps) {}
  ~StorageMapVersionChecker() override {}
  StorageMapVersionChecker(const StorageMapVersionChecker&) = delete;
  StorageMapVersionChecker& operator=(const StorageMapVersionChecker&) = delete;

  // A record the driver cannot use sets kVersionNotSupported; a record that
  // cannot be read leaves the read's error instead.
  void checkHardwareState(nKIVAPALS100::tStatus& status) override;
  // The calibration sets, then Header, then Manufacturing; false at the
  // first record outside its window or that cannot be read.
  virtual bool isValid(nKIVAPALS100::tStatus& status);

  // Whether a stored range [oldest, current] is well formed and overlaps the
  // supported window [lowest, highest]: a newer record passes while its
  // oldest compatible version is not above the window, an older one while
  // its version is not below it.
  static bool isSupported(uint32_t oldest, uint32_t current, uint32_t lowest, uint32_t highest) {
    return lowest <= highest && oldest <= current && oldest <= highest && current >= lowest;
  }

 private:
  vorlan_storagemaps::QuillStorageMaps* maps_;
};

}  // namespace vorlan_driver
