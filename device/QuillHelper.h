// The owner of the board's hardware objects. Its construction is the
// start-up: it climbs the setup levels 1 to the tracker's target, building
// the objects each level needs; its destruction undoes the sessions' pending
// work and tears down in reverse. A start-up that stops keeps what it built,
// so requests needing only the levels reached keep working.
//
// Levels 4 and above have no hardware objects behind them yet: they climb
// through the tracker protocol with nothing to build.
#pragma once

#include <stdint.h>

#include "device/CustomResetParameters.h"
#include "device/KeltControllers.h"
#include "device/KeltRegMaps.h"
#include "device/SetupLevel.h"
#include "device/hardwareStateCheckers/StorageMapChecksumChecker.h"
#include "device/hardwareStateCheckers/StorageMapVersionChecker.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/HardwareStateCheckerComposite.h"
#include "framework/kdut/SetupTracker.h"
#include "framework/kdut/SimpleSignatureVerifierTemplate.h"
#include "platform/status/statusCodes.h"
#include "routing/RoutingResources.h"
#include "routing/RoutingResourcesManager.h"
#include "storage/StorageMaps/QuillStorageMaps.h"
#include "storage/deviceWindow/DeviceWindowDispatcher.h"
#include "storage/deviceWindow/flashWindow/FlashWindow.h"
#include "storage/storageMap/StorageMapDispatcher.h"

namespace vorlan_driver {

class QuillDevice;

class QuillHelper {
 public:
  // Sessions can route once the device stands at this level.
  static constexpr uint32_t kRoutingLevel = 19;
  // The levels whose objects exist.
  static constexpr uint32_t kCoreObjectsLevel = 2;
  static constexpr uint32_t kBoardRevisionLevel = 3;
  // The highest level whose step does real work; the levels above it are
  // climbed with nothing to build.
  static constexpr uint32_t kLastBuiltLevel = kBoardRevisionLevel;

  static constexpr uint32_t kBridgeSignature = 0xC0107AD0u;
  static constexpr int64_t kBridgeSignatureMismatch = statusCodes::fromWord(0xBFFA8078u);
  static constexpr int64_t kUnsupportedSubsystem = statusCodes::fromWord(0xBFFA4304u);
  static constexpr int64_t kBoardRevisionTooOld = statusCodes::fromWord(0xBFFA902Cu);
  static constexpr int64_t kBoardRevisionTooNew = statusCodes::fromWord(0xBFFA902Du);
  // The only board revision this driver runs.
  static constexpr uint8_t kSupportedBoardRevision = 8;
  static constexpr uint8_t kUnreadBoardRevision = 0xFF;
  static constexpr const char* kFlashWindowName = "flashWindow";

  typedef kdut::SimpleSignatureVerifierTemplate<KeltRegMaps::tCoreMap::tSignature, kBridgeSignature,
                                                static_cast<int32_t>(kBridgeSignatureMismatch)>
      tBridgeSignatureVerifier;

  QuillHelper(QuillDevice& device, const vorlan_driver_codegen::CustomResetParameters* parameters,
              kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker);
  virtual ~QuillHelper();
  QuillHelper(const QuillHelper&) = delete;
  QuillHelper& operator=(const QuillHelper&) = delete;

  // Null when the owner could not build its own locks.
  kdut::CleanupOperationComposite* getCleanupOperationComposite();
  kivark::RoutingResourcesManager* getRoutingResourcesManager();
  kivark::RoutingResources* getRoutingResources() { return &routingResources_; }
  kdut::HardwareStateCheckerComposite& getCheckerComposite() { return checkerComposite_; }

  armki::ARMDispatcher& getRegisterDispatcher() { return registerDispatcher_; }
  devicewindow::DeviceWindowDispatcher& getDeviceWindowDispatcher() { return deviceWindowDispatcher_; }
  storagemap::StorageMapDispatcher& getStorageMapDispatcher() { return storageMapDispatcher_; }
  // Null below the level that builds them.
  vorlan_storagemaps::QuillStorageMaps* getStorageMaps() { return storageMaps_; }
  StorageMapChecksumChecker* getStorageMapChecksumChecker() { return storageMapChecksumChecker_; }
  StorageMapVersionChecker* getStorageMapVersionChecker() { return storageMapVersionChecker_; }

  // A field of the Manufacturing record, or `defaultValue` when the record
  // fails its checksum (0xBFFA4088) or carries a layout outside the
  // supported window (0xBFFA4082), when there are no storage maps, or when
  // the status already holds an error.
  template <typename T>
  T readManufacturingField(T (vorlan_storagemaps::ManufacturingStorageMap::*getter)(nKIVAPALS100::tStatus&),
                           T defaultValue, nKIVAPALS100::tStatus& status) {
    if (!isManufacturingRecordUsable(status)) return defaultValue;
    const T value = (storageMaps_->getManufacturing().*getter)(status);
    return status.isNotFatal() ? value : defaultValue;
  }
  // 0 when the record cannot be trusted.
  uint32_t readSerialNumber(nKIVAPALS100::tStatus& status);

  // Only one board revision passes.
  static void checkManufacturingRevision(uint8_t revision, nKIVAPALS100::tStatus& status);

  // Test knob: the step that completes `level` fails with `code`; level 0
  // disarms. Holds for every start-up until disarmed.
  static void failStepAt(uint32_t level, int64_t code);

 private:
  void startup(kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker);
  void createCoreObjects(nKIVAPALS100::tStatus& status);
  void destroyCoreObjects();
  // Adds a freshly built checker to the composite; on failure deletes it and
  // clears the member.
  template <typename Checker>
  void addChecker(Checker*& checker, nKIVAPALS100::tStatus& status);
  template <typename Checker>
  void removeChecker(Checker*& checker);
  bool isManufacturingRecordUsable(nKIVAPALS100::tStatus& status);
  void applyTestKnob(uint32_t level, nKIVAPALS100::tStatus& status);

  static uint32_t sFailLevel_;
  static int64_t sFailCode_;

  QuillDevice& device_;
  uint32_t pciSubsystemId_;
  // Failures of the owner's own locks and reservations.
  nKIVAPALS100::tStatus ownStatus_;
  void* bar0_;
  KeltRegMaps* keltRegMaps_;
  KeltControllers* keltControllers_;
  tBridgeSignatureVerifier* bridgeSignatureVerifier_;
  armki::ARMDispatcher registerDispatcher_;
  devicewindow::DeviceWindowDispatcher deviceWindowDispatcher_;
  storagemap::StorageMapDispatcher storageMapDispatcher_;
  devicewindow::FlashWindow* flashWindow_;
  vorlan_storagemaps::QuillStorageMaps* storageMaps_;
  StorageMapChecksumChecker* storageMapChecksumChecker_;
  StorageMapVersionChecker* storageMapVersionChecker_;
  kivark::RoutingResourcesManager routingManager_;
  kivark::RoutingResources routingResources_;
  kdut::HardwareStateCheckerComposite checkerComposite_;
  kdut::CleanupOperationComposite cleanupComposite_;
};

}  // namespace vorlan_driver
