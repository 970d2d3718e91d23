#include "platform/cppRuntime/staticConstructorTable.h"

#include "device/caps/CapsDefinitions.h"
#include "framework/kivregitools/Version.h"
#include "platform/trace/globalTrace.h"
#include "storage/StorageMaps/CalibrationStorageMap.h"
#include "storage/StorageMaps/ManufacturingICTStorageMap.h"
#include "storage/StorageMaps/ManufacturingStorageMap.h"
#include "storage/StorageMaps/PoscStorageMap.h"
#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

namespace {

// Runs from the bottom up: a constructor listed later runs earlier.
const tStaticConstructor kTable[] = {
    nullptr,
    &basalt_caps::constructCapsStatics,
    // The storage maps' field descriptors: every map built later reads them.
    &vorlan_storagemaps::staticInit_PoscStorageMap,
    &vorlan_storagemaps::staticInit_ManufacturingStorageMap,
    &vorlan_storagemaps::staticInit_CalibrationStorageMap,
    &vorlan_storagemaps::ManufacturingICTStorageMap::initializeFieldInfo,
    &voltariscalibrationtools::HeaderStorageMap::initializeFieldInfo,
    &kivregitools::constructVersionStatics,
    // First of all: every other static object may trace while it is built.
    &constructTraceStatics,
    nullptr,
};

}  // namespace

const tStaticConstructor* staticConstructorTable() { return kTable; }
uint32_t staticConstructorTableSize() { return sizeof(kTable) / sizeof(kTable[0]); }

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
