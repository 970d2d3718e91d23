// The storage maps' field descriptors exist only while the driver is
// loaded: the load's static constructors fill them, the unload takes them
// away again, and a lookup outside a load finds no field instead of reading
// an unfilled table.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "kal/include/kalStandIn.h"
#include "platform/cppRuntime/cppRunTime.h"
#include "storage/StorageMaps/CalibrationStorageMap.h"
#include "storage/StorageMaps/ManufacturingICTStorageMap.h"
#include "storage/StorageMaps/ManufacturingStorageMap.h"
#include "storage/StorageMaps/PoscStorageMap.h"
#include "storage/deviceWindow/memoryWindow/MemoryWindow.h"
#include "storage/storageStatusCodes.h"
#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"
#include "tests/storage/storageTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using storagemap::StorageMapCommon;

struct MapCase {
  const char* what;
  std::function<std::unique_ptr<StorageMapCommon>(devicewindow::DeviceWindow&)> make;
  const char* fieldAtZero;
};

template <typename Map>
MapCase mapCase(const char* what, const char* fieldAtZero) {
  return {what, [](devicewindow::DeviceWindow& window) { return std::unique_ptr<StorageMapCommon>(new Map(0, window)); },
          fieldAtZero};
}

TEST(StorageMapStatics, FieldsExistFromLoadToUnload) {
  const MapCase cases[] = {
      mapCase<vorlan_storagemaps::PoscStorageMap>("Posc", "POSC"),
      mapCase<vorlan_storagemaps::ManufacturingStorageMap>("Manufacturing", "checksum"),
      mapCase<vorlan_storagemaps::CalibrationStorageMap>("Calibration", "checksum"),
      mapCase<vorlan_storagemaps::ManufacturingICTStorageMap>("ManufacturingICT", "mapVersion"),
      mapCase<voltariscalibrationtools::HeaderStorageMap>("Header", "checksum"),
  };
  kalsim::reset();
  storagetest::CountingAccessor accessor(0x10000);
  tStatus windowStatus;
  devicewindow::MemoryWindow window(accessor, windowStatus);
  for (const MapCase& c : cases) {
    vorlan_driver::nKIVAPAL000::initializeRunTime();
    std::unique_ptr<StorageMapCommon> map = c.make(window);
    tStatus loaded;
    const StorageMapCommon::FieldInfo* field = map->getFieldInfo(0, loaded);
    ASSERT_NE(field, nullptr) << c.what;
    EXPECT_EQ(loaded.getCode(), 0) << c.what;
    EXPECT_EQ(std::string(field->name), c.fieldAtZero) << c.what;

    vorlan_driver::nKIVAPAL000::finalizeRunTime();
    tStatus unloaded;
    EXPECT_EQ(map->getFieldInfo(0, unloaded), nullptr) << c.what;
    EXPECT_EQ(unloaded.getCode(), storagecodes::kFieldNotDefined) << c.what;
  }
}

}  // namespace
