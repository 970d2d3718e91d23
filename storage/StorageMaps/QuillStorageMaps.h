// The board's eight records in the flash, each a storage map over the same
// window, published by name in the storage-map dispatcher for as long as
// this owner lives. Bring-up reaches the maps as members; everyone else by
// name.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/StorageMaps/CalibrationStorageMap.h"
#include "storage/StorageMaps/ManufacturingICTStorageMap.h"
#include "storage/StorageMaps/ManufacturingStorageMap.h"
#include "storage/StorageMaps/PoscStorageMap.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/StorageMapDispatcher.h"
#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"

namespace vorlan_storagemaps {

class QuillStorageMaps {
 public:
  // Where each record lies in the flash.
  static constexpr uint64_t kPoscOffset = 0x0;
  static constexpr uint64_t kManufacturingICTOffset = 0x8000;
  static constexpr uint64_t kManufacturingOffset = 0x9000;
  static constexpr uint64_t kHeaderOffset = 0xA000;
  static constexpr uint64_t kDefaultCalibrationOffset = 0xB000;
  static constexpr uint64_t kFactoryCalibrationOffset = 0xE000;
  static constexpr uint64_t kExternalCalibrationOffset = 0x11000;
  static constexpr uint64_t kSelfCalibrationOffset = 0x14000;
  // The first byte after the last record; the flash beyond belongs to no map.
  static constexpr uint64_t kEndOfRecords = 0x17000;
  static constexpr uint32_t kMapCount = 8;

  // Builds the maps over the window (no window access) and publishes them in
  // layout order. After a failed registration the later ones are skipped;
  // the caller then deletes the owner, which withdraws what was published.
  QuillStorageMaps(devicewindow::DeviceWindow& window, storagemap::StorageMapDispatcher& dispatcher,
                   nKIVAPALS100::tStatus& status);
  // Withdraws the names it published, in reverse order, and reports
  // nothing. Nothing is flushed.
  virtual ~QuillStorageMaps();
  QuillStorageMaps(const QuillStorageMaps&) = delete;
  QuillStorageMaps& operator=(const QuillStorageMaps&) = delete;

  PoscStorageMap& getPosc() { return posc_; }
  ManufacturingICTStorageMap& getManufacturingICT() { return manufacturingICT_; }
  ManufacturingStorageMap& getManufacturing() { return manufacturing_; }
  voltariscalibrationtools::HeaderStorageMap& getHeader() { return header_; }
  CalibrationStorageMap& getDefaultCalibration() { return defaultCalibration_; }
  CalibrationStorageMap& getFactoryCalibration() { return factoryCalibration_; }
  CalibrationStorageMap& getExternalCalibration() { return externalCalibration_; }
  CalibrationStorageMap& getSelfCalibration() { return selfCalibration_; }

  // The map published k-th, in layout order; null from kMapCount on.
  storagemap::StorageMapInterface* getMap(uint32_t k);
  // The mutex its registration holds around every operation by name, or
  // null when the map is not published. Whoever reads a map besides the
  // dispatcher holds it too, so as not to see a user's change half made.
  vorlan_driver::nKIVAPAL000::tMutex* getRegistrationMutex(const storagemap::StorageMapInterface& map) {
    return dispatcher_->findMutexOf(map);
  }

 private:
  storagemap::StorageMapDispatcher* dispatcher_;
  PoscStorageMap posc_;
  ManufacturingICTStorageMap manufacturingICT_;
  ManufacturingStorageMap manufacturing_;
  voltariscalibrationtools::HeaderStorageMap header_;
  CalibrationStorageMap defaultCalibration_;
  CalibrationStorageMap factoryCalibration_;
  CalibrationStorageMap externalCalibration_;
  CalibrationStorageMap selfCalibration_;
  // The leading names of kMapNames this owner registered.
  uint32_t published_;
};

static_assert(QuillStorageMaps::kSelfCalibrationOffset + vorlan_storagemaps::calibrationLayout::kRecordSize ==
                  QuillStorageMaps::kEndOfRecords,
              "the records end after the last calibration set");

}  // namespace vorlan_storagemaps
