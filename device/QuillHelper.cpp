#include "device/QuillHelper.h"

#include "device/QuillDevice.h"

namespace vorlan_driver {

uint32_t QuillHelper::sFailLevel_ = 0;
int64_t QuillHelper::sFailCode_ = 0;

namespace {
constexpr uint8_t kBar0 = 0;
constexpr uint32_t kUncached = 0;
}  // namespace

QuillHelper::QuillHelper(QuillDevice& device, const vorlan_driver_codegen::CustomResetParameters*,
                         kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker)
    : device_(device),
      ownStatus_(),
      composite_(kdut::CleanupOperationComposite::kOwnerCapacity, ownStatus_),
      routingManager_(ownStatus_),
      routingResources_{device.getDescription().subsystemID},
      bar0_(nullptr),
      serialNumber_(0) {
  nKIVAPALS100::tStatus& status = tracker.getSetupStatus();
  status.merge(ownStatus_);
  for (uint32_t level = 1; level <= vorlan_shared::SetupLevel::kFull; ++level) {
    if (status.isFatal()) break;
    runStep(level, status);
    tracker.advanceTo(level);
  }
}

QuillHelper::~QuillHelper() {
  if (device_.isHardwarePresent() && ownStatus_.isNotFatal()) {
    nKIVAPALS100::tStatus dropped;
    composite_.cleanup(dropped);
  }
  device_.unmapFromKernel(bar0_, kUncached);
}

void QuillHelper::runStep(uint32_t level, nKIVAPALS100::tStatus& status) {
  if (level == 1) bar0_ = device_.mapBARToKernel(kBar0, status, kUncached);
  if (level == sFailLevel_) vorlanSetCode(status, sFailCode_);
}

kdut::CleanupOperationComposite* QuillHelper::getCleanupOperationComposite() {
  return ownStatus_.isNotFatal() ? &composite_ : nullptr;
}

kivark::RoutingResourcesManager* QuillHelper::getRoutingResourcesManager() {
  return ownStatus_.isNotFatal() ? &routingManager_ : nullptr;
}

void QuillHelper::failStepAt(uint32_t level, int64_t code) {
  sFailLevel_ = level;
  sFailCode_ = code;
}

}  // namespace vorlan_driver
