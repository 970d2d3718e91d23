#include "device/QuillHelper.h"

#include "device/startup/DefaultEventRouting.h"

#include "device/QuillDevice.h"
#include "device/caps/CapsDefinitions.h"
#include "device/firmware/AutoFirmware.h"
#include "device/firmware/AutoFirmwareDownloader.h"
#include "device/startup/AnalogLimitsLoader.h"
#include "device/startup/DeviceSetup.h"
#include "device/startup/ExternalPllController.h"
#include "device/startup/IsolatedFpgaBringUp.h"
#include "dma/addressing/configureDMAAddressing.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/debug/kivsdbg.h"
#include "platform/driver/pciIdentity.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

namespace {
constexpr uint8_t kBar0 = 0;
constexpr uint32_t kUncached = 0;

// A freshly built object is kept only when its construction succeeded.
template <typename T>
bool keepIfBuilt(T*& object, tStatus& status) {
  if (status.isNotFatal()) return true;
  delete object;
  object = nullptr;
  return false;
}

}  // namespace

// Start-up in level order. A level whose subsystem is not built yet names it
// here; the climb stops at the first such level.
const QuillHelper::LevelRow QuillHelper::kLevelTable[] = {
    {2, {&QuillHelper::createCoreObjects}, nullptr},
    {3, {&QuillHelper::checkBoardRevision, &QuillHelper::createWispController}, nullptr},
    {4, {&QuillHelper::downloadNonIsolatedFirmware}, nullptr},
    {5, {&QuillHelper::createNonIsolatedSide}, nullptr},
    {6, {&QuillHelper::configurePower, &QuillHelper::bringUpIsolatedFpga}, nullptr},
    {7, {&QuillHelper::createIsolatedSide}, nullptr},
    {8, {&QuillHelper::startDcBus}, nullptr},
    {9, {&QuillHelper::configureExternalPll, &QuillHelper::downloadCpldFirmware}, nullptr},
    {10, {&QuillHelper::enableCplds, &QuillHelper::checkIsolatedSignature}, nullptr},
    {11, {&QuillHelper::configureTemperatureSensor}, nullptr},
    {12, {&QuillHelper::strobeIsoCommConfig}, nullptr},
    {13, {&QuillHelper::installSubroutinePackage, &QuillHelper::writeChannelRegionEndWords}, nullptr},
    {14, {&QuillHelper::runChannelStartupSubroutines}, nullptr},
    {15, {&QuillHelper::assignSequencerDataRamAddresses}, nullptr},
    {16, {&QuillHelper::configureDefaultResponses}, nullptr},
    {17, {&QuillHelper::configureAnalogLimits}, nullptr},
    {18, {&QuillHelper::initializeDefaultRouting}, nullptr},
    {19, {&QuillHelper::createRouting}, nullptr},
    {20, {&QuillHelper::setUpDevice, &QuillHelper::finishStartup}, nullptr},
};

QuillHelper::QuillHelper(QuillDevice& device, const nKIVAPAL000::tEventDescriptor* descriptor,
                         const vorlan_driver_codegen::CustomResetParameters* parameters, CoolingModeWord* coolingMode,
                         kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker)
    : device_(device),
      descriptor_(descriptor),
      parameters_(parameters != nullptr ? *parameters : vorlan_driver_codegen::CustomResetParameters()),
      coolingMode_(coolingMode),
      pciSubsystemId_(device.getDescription().subsystemID),
      boardRevision_(kUnreadBoardRevision),
      caps_(basalt_caps::findCaps(device.getDescription().subsystemID)),
      ownStatus_(),
      bar0_(nullptr),
      keltRegMaps_(nullptr),
      keltControllers_(nullptr),
      bridgeSignatureVerifier_(nullptr),
      registerDispatcher_(),
      deviceWindowDispatcher_(),
      storageMapDispatcher_(),
      flashWindow_(nullptr),
      storageMaps_(nullptr),
      storageMapChecksumChecker_(nullptr),
      storageMapVersionChecker_(nullptr),
      routing_(),
      nonIsolatedRegMaps_(nullptr),
      nonIsolatedSignatureVerifier_(nullptr),
      nonIsolatedControllers_(nullptr),
      errorRegisterCheckers_(nullptr),
      isolatedRegMaps_(nullptr),
      isolatedSignatureVerifier_(nullptr),
      isolatedControllers_(nullptr),
      deviceDma_(nullptr),
      subroutineRegistrar_(ownStatus_),
      wispController_(nullptr),
      checkerComposite_(ownStatus_),
      cleanupComposite_(kdut::CleanupOperationComposite::kOwnerCapacity, ownStatus_) {
  tStatus& status = tracker.getSetupStatus();
  status.merge(ownStatus_);
  if (status.isFatal()) return;
  tracker.advanceTo(1);
  if (status.isFatal()) return;
  const nKIVAPAL000::tPCIDescription& description = device.getDescription();
  if (caps_ == nullptr ||
      !nKIVAPAL000::isSupportedIdentity(description.vendorID, description.deviceID, description.subsystemVendorID,
                                        description.subsystemID)) {
    vorlanSetCode(status, kUnsupportedSubsystem);
    descriptor_ = nullptr;
    return;
  }
  startup(tracker);
  // The caller's user memory is not ours after this call.
  descriptor_ = nullptr;
}

QuillHelper::~QuillHelper() { teardown(); }

void QuillHelper::teardown() {
  // Teardown reports nothing: every status here is dropped.
  if (device_.isHardwarePresent() && ownStatus_.isNotFatal()) {
    tStatus dropped;
    cleanupComposite_.cleanup(dropped);
  }
  if (device_.isHardwarePresent()) {
    tStatus dropped;
    runShutdownSubroutine(dropped);
  }
  // The sessions' routing sessions went with their cleanups above.
  routing_.destroyRouting();
  destroyIsolatedSide();
  destroyNonIsolatedSide();
  delete wispController_;
  wispController_ = nullptr;
  destroyCoreObjects();
}

void QuillHelper::startup(kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker) {
  tStatus& status = tracker.getSetupStatus();
  for (const LevelRow& row : kLevelTable) {
    for (tStep step : row.steps) {
      if (step != nullptr && status.isNotFatal()) (this->*step)(status);
    }
    if (row.missing != nullptr) stopAtUnbuiltStep(row, status);
    tracker.advanceTo(row.level);
  }
  closeStartup(tracker);
}

void QuillHelper::closeStartup(kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker) {
  tStatus& status = tracker.getSetupStatus();
  const bool reachedFull = status.isNotFatal() && tracker.getTargetLevel() >= vorlan_shared::SetupLevel::kFull;
  if (!reachedFull && !tracker.hasReached(kClearErrorsAbove + 1)) return;
  // Start-up's own accesses may have tripped the error manager; what it
  // holds now is no fault of the board.
  if (nonIsolatedControllers_ != nullptr) {
    tStatus own;
    nonIsolatedControllers_->errors.clearErrors(own);
    status.merge(own);
  }
  if (tracker.hasReached(kEnableErrorCaptureAbove + 1) && isolatedControllers_ != nullptr) {
    tStatus own;
    isolatedControllers_->channelErrors.enableErrorCapture(own);
    status.merge(own);
  }
}

void QuillHelper::stopAtUnbuiltStep(const LevelRow& row, tStatus& status) {
  if (status.isFatal()) return;
  const kivsdbg_Location location = {__FILE__, __LINE__, "\n"};
  kivsdbg_printLine(&location, "start-up stops before level %u: %s is not built", row.level, row.missing);
  vorlanSetCode(status, kSubsystemNotBuilt);
}

const char* QuillHelper::missingSubsystemOf(uint32_t level) {
  for (const LevelRow& row : kLevelTable) {
    if (row.level == level) return row.missing;
  }
  return nullptr;
}

uint32_t QuillHelper::highestBuiltLevel() {
  for (const LevelRow& row : kLevelTable) {
    if (row.missing != nullptr) return row.level - 1;
  }
  return vorlan_shared::SetupLevel::kFull;
}

void QuillHelper::checkBoardRevision(tStatus& status) {
  // The byte is read as the flash holds it: a record whose checksum or layout
  // version is off still climbs, and the storage-map checkers report it. An
  // erased record reads 0xFF, which the revision check refuses.
  boardRevision_ = kUnreadBoardRevision;
  if (status.isFatal()) return;
  const uint8_t revision = storageMaps_->getManufacturing().getOldestCompatibleBoardRevision(status);
  if (status.isFatal()) return;
  boardRevision_ = revision;
  checkManufacturingRevision(boardRevision_, status);
}

void QuillHelper::createWispController(tStatus& status) {
  if (status.isFatal()) return;
  wispController_ = kivNew(status) WispController(static_cast<uint8_t*>(bar0_), status);
  keepIfBuilt(wispController_, status);
}

void QuillHelper::downloadFirmware(uint64_t userPointer, uint64_t size, FirmwareDownloadTarget target,
                                   tStatus& status) {
  if (status.isFatal()) return;
  AutoFirmware image(descriptor_, userPointer, size, target, status);
  if (status.isFatal()) return;
  AutoFirmwareDownloader downloader(keltRegMaps_, isolatedRegMaps_);
  downloader.download(*image.get(), status);
}

void QuillHelper::downloadNonIsolatedFirmware(tStatus& status) {
  downloadFirmware(parameters_.nisoFpgaImage, parameters_.nisoFpgaImageSize, kNonIsolatedFpga, status);
}

void QuillHelper::createNonIsolatedSide(tStatus& status) {
  if (status.isFatal()) return;
  nonIsolatedRegMaps_ =
      kivNew(status) NonIsolatedRegMaps(reinterpret_cast<uint64_t>(bar0_), registerDispatcher_, status);
  if (!keepIfBuilt(nonIsolatedRegMaps_, status)) return;

  nonIsolatedSignatureVerifier_ =
      kivNew(status) tNonIsolatedSignatureVerifier(nonIsolatedRegMaps_->getFpgaMap().SignatureReg,
                                                   registerDispatcher_.findMutexOf(nonIsolatedRegMaps_->getFpgaMap()));
  addChecker(nonIsolatedSignatureVerifier_, status);
  if (status.isFatal()) return;
  // An FPGA that did not take its image answers nothing we could trust.
  nonIsolatedSignatureVerifier_->checkHardwareState(status);
  configureDma(status);
  if (status.isFatal()) return;

  // The power monitor's shunt, unlike the driver's own support, goes by
  // the board's actual revision.
  const uint8_t revision = storageMaps_->getManufacturing().getBoardRevision(status);
  if (status.isFatal()) return;
  nonIsolatedControllers_ =
      kivNew(status) NonIsolatedControllers(*nonIsolatedRegMaps_, *coolingMode_, *caps_, revision, status);
  if (!keepIfBuilt(nonIsolatedControllers_, status)) return;

  errorRegisterCheckers_ = kivNew(status) HardwareErrorRegisterCheckers(nonIsolatedControllers_->errors);
  if (errorRegisterCheckers_ == nullptr) return;
  // Only the all-channel checker answers the hardware-state requests; the
  // others serve the isolated ports' accessors.
  checkerComposite_.add(&errorRegisterCheckers_->allChannels(), status);
  keepIfBuilt(errorRegisterCheckers_, status);
}

void QuillHelper::configureDma(tStatus& status) {
  if (status.isFatal()) return;
  configureDMAAddressing(keltRegMaps_->getCoreMap(), device_, status);
  // Bits 0-3 are strobes: the flush drops them from the shadow again.
  nonIsolatedRegMaps_->getFpgaMap().getDMACompanion().CompanionReg090.setBit3(true).setBit1(true).flush(status);
}

void QuillHelper::configurePower(tStatus& status) {
  if (status.isFatal()) return;
  nonIsolatedControllers_->power.configure(coolingMode_->mode, status);
}

void QuillHelper::bringUpIsolatedFpga(tStatus& status) {
  if (status.isFatal()) return;
  IsolatedFpgaBringUp bringUp(nonIsolatedControllers_->power, nonIsolatedControllers_->isoComm);
  bringUp.bringUpIsolatedFpga(
      [this](tStatus& s) { downloadFirmware(parameters_.isoFpgaImage, parameters_.isoFpgaImageSize, kIsolatedFpga, s); },
      status);
}

void QuillHelper::startDcBus(tStatus& status) {
  if (status.isFatal()) return;
  IsolatedFpgaBringUp(nonIsolatedControllers_->power, nonIsolatedControllers_->isoComm).startDcBus(status);
}

void QuillHelper::configureExternalPll(tStatus& status) {
  if (status.isFatal()) return;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap& iso = isolatedRegMaps_->getIsoFpgaMap();
  ExternalPllController(&iso.ExtPllShiftReg, &iso.IsoFpgaStatusReg).configure(status);
}

void QuillHelper::downloadCpldFirmware(tStatus& status) {
  downloadFirmware(parameters_.cpldImage, parameters_.cpldImageSize, kSatelliteCpld, status);
}

void QuillHelper::enableCplds(tStatus& status) {
  if (status.isFatal()) return;
  isolatedControllers_->cpldInterface.enableCplds(status);
}

void QuillHelper::checkIsolatedSignature(tStatus& status) {
  if (status.isFatal()) return;
  isolatedSignatureVerifier_->checkHardwareState(status);
}

void QuillHelper::createIsolatedSide(tStatus& status) {
  if (status.isFatal()) return;
  isolatedRegMaps_ = kivNew(status)
      IsolatedRegMaps(nonIsolatedRegMaps_->getFpgaMap(), registerDispatcher_, *errorRegisterCheckers_, status);
  if (!keepIfBuilt(isolatedRegMaps_, status)) return;
  // Checked only once the CPLDs are enabled: until then the FPGA may not
  // answer it yet.
  isolatedSignatureVerifier_ =
      kivNew(status) tIsolatedSignatureVerifier(isolatedRegMaps_->getIsoFpgaMap().IsoSignatureReg,
                                                registerDispatcher_.findMutexOf(isolatedRegMaps_->getIsoFpgaMap()));
  addChecker(isolatedSignatureVerifier_, status);
  if (status.isFatal()) return;
  isolatedControllers_ = kivNew(status) IsolatedControllers(
      isolatedRegMaps_->getIsoFpgaMap(), isolatedRegMaps_->getChannelMaps(), isolatedRegMaps_->getCpldMaps(),
      nonIsolatedRegMaps_->getFpgaMap(),
      nonIsolatedControllers_->fifoOverflow, nonIsolatedControllers_->errors, *errorRegisterCheckers_,
      subroutineRegistrar_, pciSubsystemId_, status);
  if (!keepIfBuilt(isolatedControllers_, status)) return;
  // Kept even when it fails half-way: its destructor undoes whatever part
  // of the interrupt path was set up.
  deviceDma_ = kivNew(status) DeviceDMA(device_, reinterpret_cast<uint64_t>(bar0_), *nonIsolatedRegMaps_,
                                        isolatedRegMaps_->getChannelMaps(), status);
}

void QuillHelper::configureTemperatureSensor(tStatus& status) {
  if (status.isFatal()) return;
  isolatedControllers_->temperatureSensor.configure(status);
}

void QuillHelper::strobeIsoCommConfig(tStatus& status) {
  if (status.isFatal()) return;
  nonIsolatedControllers_->isoComm.strobeConfig(status);
}

SequencerPreparation QuillHelper::sequencerPreparation() {
  return SequencerPreparation(*isolatedControllers_, isolatedRegMaps_->getIsoFpgaMap(),
                              isolatedRegMaps_->getChannelMaps(), subroutineRegistrar_, pciSubsystemId_);
}

void QuillHelper::installSubroutinePackage(tStatus& status) {
  if (status.isFatal()) return;
  SubroutinePackageInterface* package = SequencerPreparation::createStartupPackage(
      descriptor_, parameters_.packageImage, parameters_.packageWordCount, parameters_.packageIds,
      parameters_.packageAddresses, parameters_.packageIdCount, status);
  // The registrar keeps its own copy of the table; the image is in RAM.
  if (package != nullptr) sequencerPreparation().installSubroutinePackage(*package, status);
  delete package;
}

void QuillHelper::writeChannelRegionEndWords(tStatus& status) {
  if (status.isNotFatal()) sequencerPreparation().writeChannelRegionEndWords(status);
}

void QuillHelper::runChannelStartupSubroutines(tStatus& status) {
  if (status.isNotFatal()) sequencerPreparation().runChannelStartupSubroutines(status);
}

void QuillHelper::assignSequencerDataRamAddresses(tStatus& status) {
  if (status.isNotFatal()) sequencerPreparation().assignSequencerDataRamAddresses(status);
}

void QuillHelper::configureDefaultResponses(tStatus& status) {
  if (status.isNotFatal()) sequencerPreparation().configureDefaultResponses(status);
}

void QuillHelper::finishStartup(tStatus& status) {
  if (status.isNotFatal()) sequencerPreparation().finishStartup(status);
}

void QuillHelper::initializeDefaultRouting(tStatus& status) {
  if (status.isFatal()) return;
  DefaultEventRouting routing(*isolatedControllers_, isolatedRegMaps_->getChannelMaps(),
                              isolatedRegMaps_->getIsoFpgaMap(), nonIsolatedRegMaps_->getFpgaMap(), *wispController_);
  routing.initialize(status);
}

void QuillHelper::createRouting(tStatus& status) {
  if (status.isFatal()) return;
  routing_.createRouting(pciSubsystemId_, &nonIsolatedRegMaps_->getFpgaMap(), &isolatedRegMaps_->getIsoFpgaMap(),
                         isolatedRegMaps_->getChannelMaps(), wispController_, status);
}

void QuillHelper::runShutdownSubroutine(tStatus& status) {
  if (isolatedRegMaps_ == nullptr || isolatedControllers_ == nullptr) {
    vorlanSetCode(status, SequencerPreparation::kMissingObject);
    return;
  }
  sequencerPreparation().runShutdownSubroutine(status);
}

void QuillHelper::configureAnalogLimits(tStatus& status) {
  if (status.isFatal()) return;
  AnalogLimitsLoader::load(descriptor_, parameters_.limits, isolatedControllers_->xadcLimits, status);
}

void QuillHelper::setUpDevice(tStatus& status) {
  if (status.isFatal()) return;
  // Its construction is the whole step.
  DeviceSetup setup(caps_->sharedLoSense != 0, isolatedRegMaps_->getIsoFpgaMap(), isolatedRegMaps_->getChannelMaps(),
                    *isolatedControllers_, *storageMaps_, boardRevision_, pciSubsystemId_, status);
}

void QuillHelper::destroyIsolatedSide() {
  // Dispatcher, waits and interrupt path (joining its thread) before the
  // controllers and maps they use.
  delete deviceDma_;
  deviceDma_ = nullptr;
  delete isolatedControllers_;
  isolatedControllers_ = nullptr;
  removeChecker(isolatedSignatureVerifier_);
  // Its destructor withdraws the isolated maps' names.
  delete isolatedRegMaps_;
  isolatedRegMaps_ = nullptr;
}

void QuillHelper::destroyNonIsolatedSide() {
  if (errorRegisterCheckers_ != nullptr) {
    tStatus dropped;
    checkerComposite_.remove(&errorRegisterCheckers_->allChannels(), dropped);
    delete errorRegisterCheckers_;
    errorRegisterCheckers_ = nullptr;
  }
  delete nonIsolatedControllers_;
  nonIsolatedControllers_ = nullptr;
  removeChecker(nonIsolatedSignatureVerifier_);
  delete nonIsolatedRegMaps_;
  nonIsolatedRegMaps_ = nullptr;
}

void QuillHelper::createCoreObjects(tStatus& status) {
  if (status.isFatal()) return;
  bar0_ = device_.mapBARToKernel(kBar0, status, kUncached);
  if (status.isFatal()) return;

  const uint64_t bar0Address = reinterpret_cast<uint64_t>(bar0_);
  const uint64_t bar0Length = device_.getDescription().memoryBars[kBar0].length;
  keltRegMaps_ = kivNew(status) KeltRegMaps(bar0Address, bar0Length, registerDispatcher_, status);
  if (!keepIfBuilt(keltRegMaps_, status)) return;

  // Each verifier reads its register under the lock of its map's
  // registration, as every user reaching the map by name does.
  bridgeSignatureVerifier_ = kivNew(status) tBridgeSignatureVerifier(
      keltRegMaps_->getCoreMap().Signature, registerDispatcher_.findMutexOf(keltRegMaps_->getCoreMap()));
  addChecker(bridgeSignatureVerifier_, status);
  if (status.isFatal()) return;
  // A board that is not ours must not see a single command.
  bridgeSignatureVerifier_->checkHardwareState(status);
  if (status.isFatal()) return;

  keltControllers_ = kivNew(status) KeltControllers(static_cast<uint8_t*>(bar0_), *keltRegMaps_, status);
  if (!keepIfBuilt(keltControllers_, status)) return;

  flashWindow_ = kivNew(status) devicewindow::FlashWindow(keltControllers_->getFlashController(), status);
  if (!keepIfBuilt(flashWindow_, status)) return;
  deviceWindowDispatcher_.add(kFlashWindowName, *flashWindow_, status);
  if (status.isFatal()) return;

  storageMaps_ = kivNew(status) vorlan_storagemaps::QuillStorageMaps(*flashWindow_, storageMapDispatcher_, status);
  if (!keepIfBuilt(storageMaps_, status)) return;

  storageMapChecksumChecker_ = kivNew(status) StorageMapChecksumChecker(*storageMaps_);
  addChecker(storageMapChecksumChecker_, status);
  storageMapVersionChecker_ = kivNew(status) StorageMapVersionChecker(*storageMaps_);
  addChecker(storageMapVersionChecker_, status);
}

void QuillHelper::destroyCoreObjects() {
  removeChecker(storageMapVersionChecker_);
  removeChecker(storageMapChecksumChecker_);
  delete storageMaps_;
  storageMaps_ = nullptr;
  // Withdrawn before the window goes; a window that was never published is
  // no error here.
  tStatus dropped;
  deviceWindowDispatcher_.remove(kFlashWindowName, dropped);
  delete flashWindow_;
  flashWindow_ = nullptr;
  removeChecker(bridgeSignatureVerifier_);
  delete keltControllers_;
  keltControllers_ = nullptr;
  delete keltRegMaps_;
  keltRegMaps_ = nullptr;
  device_.unmapFromKernel(bar0_, kUncached);
  bar0_ = nullptr;
}

template <typename Checker>
void QuillHelper::addChecker(Checker*& checker, tStatus& status) {
  if (checker == nullptr) return;
  if (status.isNotFatal()) checkerComposite_.add(checker, status);
  if (status.isFatal()) {
    delete checker;
    checker = nullptr;
  }
}

template <typename Checker>
void QuillHelper::removeChecker(Checker*& checker) {
  if (checker == nullptr) return;
  tStatus dropped;
  checkerComposite_.remove(checker, dropped);
  delete checker;
  checker = nullptr;
}

bool QuillHelper::isManufacturingRecordUsable(tStatus& status) {
  if (status.isFatal() || storageMaps_ == nullptr) return false;
  vorlan_storagemaps::ManufacturingStorageMap& record = storageMaps_->getManufacturing();
  const bool checksumValid = record.isChecksumValid(status);
  if (status.isFatal()) return false;
  if (!checksumValid) {
    vorlanSetCode(status, StorageMapChecksumChecker::kChecksumMismatch);
    return false;
  }
  const uint32_t oldest = record.getOldestCompatibleMapVersion(status).word;
  const uint32_t current = record.getMapVersion(status).word;
  if (status.isFatal()) return false;
  if (!StorageMapVersionChecker::isSupported(oldest, current, StorageMapVersionChecker::kLowestManufacturingVersion,
                                             StorageMapVersionChecker::kHighestManufacturingVersion)) {
    vorlanSetCode(status, StorageMapVersionChecker::kVersionNotSupported);
    return false;
  }
  return true;
}

uint32_t QuillHelper::readSerialNumber(tStatus& status) {
  if (!isManufacturingRecordUsable(status)) return 0;
  const uint32_t serialNumber = storageMaps_->getManufacturing().getBoardSerialNumber(status);
  return status.isNotFatal() ? serialNumber : 0;
}

void QuillHelper::checkManufacturingRevision(uint8_t revision, tStatus& status) {
  if (status.isFatal()) return;
  if (revision < kSupportedBoardRevision) {
    vorlanSetCode(status, kBoardRevisionTooOld);
  } else if (revision > kSupportedBoardRevision) {
    vorlanSetCode(status, kBoardRevisionTooNew);
  }
}

kdut::CleanupOperationComposite* QuillHelper::getCleanupOperationComposite() {
  return ownStatus_.isNotFatal() ? &cleanupComposite_ : nullptr;
}


}  // namespace vorlan_driver
