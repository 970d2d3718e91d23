#include "device/QuillHelper.h"

#include "device/QuillDevice.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/driver/pciIdentity.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

uint32_t QuillHelper::sFailLevel_ = 0;
int64_t QuillHelper::sFailCode_ = 0;

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

QuillHelper::QuillHelper(QuillDevice& device, const vorlan_driver_codegen::CustomResetParameters*,
                         kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker)
    : device_(device),
      pciSubsystemId_(device.getDescription().subsystemID),
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
      routingManager_(ownStatus_),
      routingResources_{device.getDescription().subsystemID},
      checkerComposite_(ownStatus_),
      cleanupComposite_(kdut::CleanupOperationComposite::kOwnerCapacity, ownStatus_) {
  tStatus& status = tracker.getSetupStatus();
  status.merge(ownStatus_);
  if (status.isFatal()) return;
  applyTestKnob(1, status);
  tracker.advanceTo(1);
  if (status.isFatal()) return;
  const nKIVAPAL000::tPCIDescription& description = device.getDescription();
  if (!nKIVAPAL000::isSupportedIdentity(description.vendorID, description.deviceID, description.subsystemVendorID,
                                        description.subsystemID)) {
    vorlanSetCode(status, kUnsupportedSubsystem);
    return;
  }
  startup(tracker);
}

QuillHelper::~QuillHelper() {
  if (device_.isHardwarePresent() && ownStatus_.isNotFatal()) {
    tStatus dropped;
    cleanupComposite_.cleanup(dropped);
  }
  destroyCoreObjects();
}

void QuillHelper::startup(kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker) {
  tStatus& status = tracker.getSetupStatus();

  createCoreObjects(status);
  applyTestKnob(kCoreObjectsLevel, status);
  tracker.advanceTo(kCoreObjectsLevel);

  // The revision decides whether this driver may drive the board at all, so
  // it is taken only from a record that passes its own checks.
  const uint8_t revision = readManufacturingField<uint8_t>(
      &vorlan_storagemaps::ManufacturingStorageMap::getOldestCompatibleBoardRevision, kUnreadBoardRevision, status);
  checkManufacturingRevision(revision, status);
  applyTestKnob(kBoardRevisionLevel, status);
  tracker.advanceTo(kBoardRevisionLevel);

  for (uint32_t level = kLastBuiltLevel + 1; level <= vorlan_shared::SetupLevel::kFull; ++level) {
    applyTestKnob(level, status);
    tracker.advanceTo(level);
  }
}

void QuillHelper::createCoreObjects(tStatus& status) {
  if (status.isFatal()) return;
  bar0_ = device_.mapBARToKernel(kBar0, status, kUncached);
  if (status.isFatal()) return;

  const uint64_t bar0Address = reinterpret_cast<uint64_t>(bar0_);
  const uint64_t bar0Length = device_.getDescription().memoryBars[kBar0].length;
  keltRegMaps_ = kivNew(status) KeltRegMaps(bar0Address, bar0Length, registerDispatcher_, status);
  if (!keepIfBuilt(keltRegMaps_, status)) return;

  bridgeSignatureVerifier_ = kivNew(status) tBridgeSignatureVerifier(keltRegMaps_->getCoreMap().Signature);
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
  return readManufacturingField<uint32_t>(&vorlan_storagemaps::ManufacturingStorageMap::getBoardSerialNumber, 0,
                                          status);
}

void QuillHelper::checkManufacturingRevision(uint8_t revision, tStatus& status) {
  if (status.isFatal()) return;
  if (revision < kSupportedBoardRevision) {
    vorlanSetCode(status, kBoardRevisionTooOld);
  } else if (revision > kSupportedBoardRevision) {
    vorlanSetCode(status, kBoardRevisionTooNew);
  }
}

void QuillHelper::applyTestKnob(uint32_t level, tStatus& status) {
  if (level == sFailLevel_ && status.isNotFatal()) vorlanSetCode(status, sFailCode_);
}

kdut::CleanupOperationComposite* QuillHelper::getCleanupOperationComposite() {
  return ownStatus_.isNotFatal() ? &cleanupComposite_ : nullptr;
}

kivark::RoutingResourcesManager* QuillHelper::getRoutingResourcesManager() {
  return ownStatus_.isNotFatal() ? &routingManager_ : nullptr;
}

void QuillHelper::failStepAt(uint32_t level, int64_t code) {
  sFailLevel_ = level;
  sFailCode_ = code;
}

}  // namespace vorlan_driver
