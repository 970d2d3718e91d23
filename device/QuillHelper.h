// The owner of the board's hardware objects. Its construction is the
// start-up: it climbs the setup levels 1 to the tracker's target, building
// the objects each level needs; its destruction undoes the sessions' pending
// work and tears down in reverse. A start-up that stops keeps what it built,
// so requests needing only the levels reached keep working.
//
// Every level has its step. A step whose subsystem this driver does not
// build yet records kSubsystemNotBuilt and prints a debug line naming what
// is missing, so start-up stops there and never reports a level it did not
// reach.
#pragma once

#include <stdint.h>

#include "controllers/CoolingModeController.h"
#include "controllers/WispController.h"
#include "device/CustomResetParameters.h"
#include "device/KeltControllers.h"
#include "controllers/channel/IsolatedControllers.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "device/DeviceDMA.h"
#include "device/IsolatedRegMaps.h"
#include "device/KeltRegMaps.h"
#include "device/NonIsolatedControllers.h"
#include "device/NonIsolatedRegMaps.h"
#include "controllers/HardwareErrorRegisterCheckers.h"
#include "device/caps/Caps.h"
#include "device/startup/SequencerPreparation.h"
#include "device/SetupLevel.h"
#include "device/firmware/builtInFirmwareImages.h"
#include "device/hardwareStateCheckers/StorageMapChecksumChecker.h"
#include "device/hardwareStateCheckers/StorageMapVersionChecker.h"
#include "framework/armki/ARMDispatcher.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/HardwareStateCheckerComposite.h"
#include "framework/kdut/SetupTracker.h"
#include "framework/kdut/SimpleSignatureVerifierTemplate.h"
#include "platform/device/tEventDescriptor.h"
#include "platform/status/statusCodes.h"
#include "controllers/routing/BoardRouting.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/routing-resources/RoutingResourcesInterface.h"
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
  static constexpr uint32_t kCoreObjectsLevel = 2;
  static constexpr uint32_t kBoardRevisionLevel = 3;
  // Recorded by a step whose subsystem is not built yet.
  static constexpr int64_t kSubsystemNotBuilt = statusCodes::kNotSupported;

  static constexpr uint32_t kNonIsolatedSideLevel = 5;
  static constexpr uint32_t kIsolatedSideLevel = 7;
  // The closing steps: the non-isolated errors are cleared above this
  // level, the channels' error capture enabled above the next.
  static constexpr uint32_t kClearErrorsAbove = 4;
  static constexpr uint32_t kEnableErrorCaptureAbove = 6;
  static constexpr uint32_t kBridgeSignature = 0xC0107AD0u;
  static constexpr int64_t kBridgeSignatureMismatch = statusCodes::fromWord(0xBFFA8078u);
  static constexpr uint32_t kNonIsolatedSignature = 0x5A3C0E91u;
  static constexpr int64_t kNonIsolatedSignatureMismatch = statusCodes::fromWord(0xBFFA467Cu);
  static constexpr uint32_t kIsolatedSignature = 0x2D61B7C4u;
  static constexpr int64_t kIsolatedSignatureMismatch = statusCodes::fromWord(0xBFFA467Du);
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
  typedef kdut::SimpleSignatureVerifierTemplate<NonIsolatedRegMaps::tFpgaMap::tSignatureReg, kNonIsolatedSignature,
                                                static_cast<int32_t>(kNonIsolatedSignatureMismatch)>
      tNonIsolatedSignatureVerifier;
  typedef kdut::SimpleSignatureVerifierTemplate<IsolatedRegMaps::tIsoFpgaMap::tIsoSignatureReg, kIsolatedSignature,
                                                static_cast<int32_t>(kIsolatedSignatureMismatch)>
      tIsolatedSignatureVerifier;

  // `descriptor` is the caller of the start or reset (its user memory holds
  // the record's images and tables); it and `parameters` are used only
  // while the constructor runs. The cooling-mode word is the device's and
  // outlives the owner.
  QuillHelper(QuillDevice& device, const nKIVAPAL000::tEventDescriptor* descriptor,
              const vorlan_driver_codegen::CustomResetParameters* parameters, CoolingModeWord* coolingMode,
              kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker);
  virtual ~QuillHelper();
  QuillHelper(const QuillHelper&) = delete;
  QuillHelper& operator=(const QuillHelper&) = delete;

  // Null when the owner could not build its own locks.
  kdut::CleanupOperationComposite* getCleanupOperationComposite();
  // Null below the level that makes the routing objects.
  kivark::RoutingResourcesManager* getRoutingResourcesManager() { return routing_.getRoutingResourcesManager(); }
  kivark::RoutingResourcesInterface* getRoutingResources() { return routing_.getRoutingResources(); }
  kdut::HardwareStateCheckerComposite& getCheckerComposite() { return checkerComposite_; }
  // The model's capability row; null only for an identifier the table lacks,
  // which start-up refuses.
  const basalt_caps::Caps* getCaps() const { return caps_; }

  armki::ARMDispatcher& getRegisterDispatcher() { return registerDispatcher_; }
  devicewindow::DeviceWindowDispatcher& getDeviceWindowDispatcher() { return deviceWindowDispatcher_; }
  storagemap::StorageMapDispatcher& getStorageMapDispatcher() { return storageMapDispatcher_; }
  // Null below the level that builds them.
  vorlan_storagemaps::QuillStorageMaps* getStorageMaps() { return storageMaps_; }
  StorageMapChecksumChecker* getStorageMapChecksumChecker() { return storageMapChecksumChecker_; }
  StorageMapVersionChecker* getStorageMapVersionChecker() { return storageMapVersionChecker_; }
  WispController* getWispController() { return wispController_; }
  NonIsolatedRegMaps* getNonIsolatedRegMaps() { return nonIsolatedRegMaps_; }
  NonIsolatedControllers* getNonIsolatedControllers() { return nonIsolatedControllers_; }
  HardwareErrorRegisterCheckers* getErrorRegisterCheckers() { return errorRegisterCheckers_; }
  IsolatedRegMaps* getIsolatedRegMaps() { return isolatedRegMaps_; }
  IsolatedControllers* getIsolatedControllers() { return isolatedControllers_; }
  tIsolatedSignatureVerifier* getIsolatedSignatureVerifier() { return isolatedSignatureVerifier_; }
  SubroutineRegistrar& getSubroutineRegistrar() { return subroutineRegistrar_; }
  // Null below level 7.
  DeviceDMA* getDeviceDma() { return deviceDma_; }

  // The serial number of the Manufacturing record, or 0 when the record
  // fails its checksum (0xBFFA4088) or carries a layout outside the supported
  // window (0xBFFA4082), when there are no storage maps, or when the status
  // already holds an error.
  uint32_t readSerialNumber(nKIVAPALS100::tStatus& status);

  // Only one board revision passes.
  static void checkManufacturingRevision(uint8_t revision, nKIVAPALS100::tStatus& status);

  // What the step that completes `level` still lacks, or null when that
  // step is built. Its debug line names the same.
  static const char* missingSubsystemOf(uint32_t level);
  // The highest level a start-up on a healthy board reaches: the one below
  // the first level with a missing subsystem.
  static uint32_t highestBuiltLevel();

 private:
  typedef void (QuillHelper::*tStep)(nKIVAPALS100::tStatus& status);
  // One level: its built steps in order, then, while part of it is still to
  // be built, what is missing.
  struct LevelRow {
    uint32_t level;
    tStep steps[3];
    const char* missing;
  };
  static const LevelRow kLevelTable[];

  void startup(kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker);
  void teardown();

  void createCoreObjects(nKIVAPALS100::tStatus& status);
  void checkBoardRevision(nKIVAPALS100::tStatus& status);
  void createWispController(nKIVAPALS100::tStatus& status);
  // Builds the image for `target` (the caller's when pointer and size are
  // both given, the built-in one otherwise) and sends it.
  void downloadFirmware(uint64_t userPointer, uint64_t size, FirmwareDownloadTarget target,
                        nKIVAPALS100::tStatus& status);
  void downloadNonIsolatedFirmware(nKIVAPALS100::tStatus& status);
  void createNonIsolatedSide(nKIVAPALS100::tStatus& status);
  // The bridge's DMA addressing and the DMA companion's start strobes.
  void configureDma(nKIVAPALS100::tStatus& status);
  // The DC current limit of the device's cooling mode, the monitor's
  // calibration and configuration.
  void configurePower(nKIVAPALS100::tStatus& status);
  // The transformer, the link's download mode, the isolated FPGA's image,
  // the link's run mode.
  void bringUpIsolatedFpga(nKIVAPALS100::tStatus& status);
  void createIsolatedSide(nKIVAPALS100::tStatus& status);
  void startDcBus(nKIVAPALS100::tStatus& status);
  void configureExternalPll(nKIVAPALS100::tStatus& status);
  void downloadCpldFirmware(nKIVAPALS100::tStatus& status);
  void enableCplds(nKIVAPALS100::tStatus& status);
  // Only once the CPLDs are enabled does the isolated FPGA answer it.
  void checkIsolatedSignature(nKIVAPALS100::tStatus& status);
  void configureTemperatureSensor(nKIVAPALS100::tStatus& status);
  void strobeIsoCommConfig(nKIVAPALS100::tStatus& status);
  // Over the isolated side, which must exist.
  SequencerPreparation sequencerPreparation();
  // The reset record's package when it gives all of it, the built-in one
  // otherwise.
  void installSubroutinePackage(nKIVAPALS100::tStatus& status);
  void writeChannelRegionEndWords(nKIVAPALS100::tStatus& status);
  void runChannelStartupSubroutines(nKIVAPALS100::tStatus& status);
  void assignSequencerDataRamAddresses(nKIVAPALS100::tStatus& status);
  void configureDefaultResponses(nKIVAPALS100::tStatus& status);
  void initializeDefaultRouting(nKIVAPALS100::tStatus& status);
  void createRouting(nKIVAPALS100::tStatus& status);
  // The last step of level 20: the final start-up subroutine.
  void finishStartup(nKIVAPALS100::tStatus& status);
  // Teardown's first act on the board; 0xBFFA4311 without the isolated side.
  void runShutdownSubroutine(nKIVAPALS100::tStatus& status);
  // The reset record's limits, or the built-in ones without a record.
  void configureAnalogLimits(nKIVAPALS100::tStatus& status);
  // Register and protection defaults, calibration and alarm responses.
  void setUpDevice(nKIVAPALS100::tStatus& status);
  // After the climb, however far it got: the non-isolated errors cleared
  // and the channels' error capture enabled where their objects exist,
  // each failure behind the first error.
  void closeStartup(kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker);
  // Records kSubsystemNotBuilt with a debug line naming what is missing.
  static void stopAtUnbuiltStep(const LevelRow& row, nKIVAPALS100::tStatus& status);

  void destroyIsolatedSide();
  void destroyNonIsolatedSide();
  void destroyCoreObjects();
  // Adds a freshly built checker to the composite; on failure deletes it and
  // clears the member.
  template <typename Checker>
  void addChecker(Checker*& checker, nKIVAPALS100::tStatus& status);
  template <typename Checker>
  void removeChecker(Checker*& checker);
  bool isManufacturingRecordUsable(nKIVAPALS100::tStatus& status);
  QuillDevice& device_;
  // Only while the constructor runs.
  const nKIVAPAL000::tEventDescriptor* descriptor_;
  // The reset record's values, all zero when there was none.
  vorlan_driver_codegen::CustomResetParameters parameters_;
  CoolingModeWord* coolingMode_;
  uint32_t pciSubsystemId_;
  // Read at level 3; the register defaults of level 20 depend on it.
  uint8_t boardRevision_;
  const basalt_caps::Caps* caps_;
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
  // Made by the routing set-up of level 18 to 19; none until then.
  BoardRouting routing_;
  NonIsolatedRegMaps* nonIsolatedRegMaps_;
  tNonIsolatedSignatureVerifier* nonIsolatedSignatureVerifier_;
  NonIsolatedControllers* nonIsolatedControllers_;
  HardwareErrorRegisterCheckers* errorRegisterCheckers_;
  // The downloads of levels 6 and 9 reach the isolated side through these.
  IsolatedRegMaps* isolatedRegMaps_;
  tIsolatedSignatureVerifier* isolatedSignatureVerifier_;
  IsolatedControllers* isolatedControllers_;
  DeviceDMA* deviceDma_;
  SubroutineRegistrar subroutineRegistrar_;
  WispController* wispController_;
  kdut::HardwareStateCheckerComposite checkerComposite_;
  kdut::CleanupOperationComposite cleanupComposite_;
};

}  // namespace vorlan_driver
