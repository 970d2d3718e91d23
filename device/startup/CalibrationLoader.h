// Copies the calibration constants of one calibration set of the flash into
// the isolated FPGA and the 24 channel blocks: shared LO-sense gains,
// offsets and charge-balance tables, the channels' charge-balance tables,
// calibration tables, sense gains and offsets and DAC limits, and the
// common-mode current cancellation. Without a valid set, fixed defaults
// take the place of every value, so a board with an empty or damaged flash
// still starts. Each step returns at once when the status holds an error.
#pragma once

#include <stdint.h>

#include "controllers/channel/IsolatedControllers.h"
#include "platform/status/tStatus.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"
#include "storage/StorageMaps/CalibrationStorageMap.h"
#include "storage/StorageMaps/QuillStorageMaps.h"

namespace vorlan_driver {

// The calibration sets in the order they are preferred; kNoCalibrationMap
// when none holds together.
enum CalibrationMapIndex : uint32_t {
  kSelfCalibrationMap = 0,
  kExternalCalibrationMap = 1,
  kFactoryCalibrationMap = 2,
  kDefaultCalibrationMap = 3,
  kNoCalibrationMap = 4,
};

// The first set, in order of preference, whose stored CRC matches its
// contents; the sets after it are not read. kNoCalibrationMap when none
// matches, when the status already holds an error or when the flash cannot
// be read (the status then holds the error).
uint32_t findValidCalibrationStorageMap(vorlan_storagemaps::QuillStorageMaps& maps, nKIVAPALS100::tStatus& status);
// The set of an index; null for kNoCalibrationMap and anything above.
vorlan_storagemaps::CalibrationStorageMap* selectCalibrationStorageMap(uint32_t index,
                                                                       vorlan_storagemaps::QuillStorageMaps& maps);

// A default charge-balance table: 16 entries in alternating runs of the
// higher and the lower default offset, each `run` entries long, higher
// first.
void fillChargeBalanceDefaults(uint32_t* table, uint32_t run);
// Shared LO-sense ADC n's default table: runs of 1 << n.
void fillSharedLoSenseChargeBalanceDefaults(uint32_t adc, uint32_t* table);

class CalibrationLoader {
 public:
  static constexpr uint32_t kChannelCount = 24;
  static constexpr uint32_t kSharedLoSenseADCCount = 4;
  static constexpr uint32_t kChargeBalanceEntries = 16;

  // The lowest set versions whose common-mode setting and DAC limits are
  // used; older sets leave these two at their defaults.
  static constexpr uint32_t kCommonModeCancellationVersion = 0x01000006u;  // 1.0.0d6
  static constexpr uint32_t kDacLimitsVersion = 0x01000007u;               // 1.0.0d7

  static constexpr uint32_t kChargeBalanceHigh = 0x8000000u + 0xE20000u;
  static constexpr uint32_t kChargeBalanceLow = 0x8000000u - 0xE20000u;
  static constexpr uint32_t kDefaultHighShuntGain = 70068;
  static constexpr uint32_t kDefaultLowShuntGain = 0;
  static constexpr uint32_t kDefaultSenseGain = 73902;
  static constexpr uint16_t kDefaultDacMinimum = 0xF800;
  static constexpr uint16_t kDefaultDacMaximum = 0x07FF;
  static constexpr uint8_t kDefaultCommonModeCancellation = 0x80;
  static constexpr uint32_t kDefaultSharedLoSenseGain = 0x6F27;

  // Nothing is owned; the map and the controllers must outlive the loader.
  CalibrationLoader(vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso, IsolatedControllers& controllers)
      : iso_(iso), controllers_(controllers) {}
  CalibrationLoader(const CalibrationLoader&) = delete;
  CalibrationLoader& operator=(const CalibrationLoader&) = delete;

  // Each takes the chosen set or null for the defaults.
  void loadSharedLoSenseCalibration(vorlan_storagemaps::CalibrationStorageMap* map, nKIVAPALS100::tStatus& status);
  void loadChargeBalanceOffsets(vorlan_storagemaps::CalibrationStorageMap* map, nKIVAPALS100::tStatus& status);
  void loadChannelCalibration(vorlan_storagemaps::CalibrationStorageMap* map, nKIVAPALS100::tStatus& status);
  void loadCommonModeCurrentCancellation(vorlan_storagemaps::CalibrationStorageMap* map,
                                         nKIVAPALS100::tStatus& status);

  // An offset and its residual, both 24-bit two's complement: their sum cut
  // to 24 bits.
  static uint32_t offsetSum(uint32_t offset, uint32_t residual) { return (offset + residual) & 0xFFFFFFu; }

 private:
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso_;
  IsolatedControllers& controllers_;
};

}  // namespace vorlan_driver
