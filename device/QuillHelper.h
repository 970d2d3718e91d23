// The owner of the board's hardware objects. Its construction is the
// start-up: it climbs the setup levels 1 to the tracker's target; its
// destruction undoes the sessions' pending work and tears down in reverse.
//
// Stand-in: the hardware objects themselves arrive with bring-up. This one
// maps BAR 0, keeps the owner's cleanup composite and the routing resources,
// and climbs the levels through the tracker protocol.
#pragma once

#include <stdint.h>

#include "device/CustomResetParameters.h"
#include "device/SetupLevel.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/SetupTracker.h"
#include "routing/RoutingResources.h"
#include "routing/RoutingResourcesManager.h"

namespace vorlan_driver {

class QuillDevice;

class QuillHelper {
 public:
  // Sessions can route once the device stands at this level.
  static constexpr uint32_t kRoutingLevel = 19;

  QuillHelper(QuillDevice& device, const vorlan_driver_codegen::CustomResetParameters* parameters,
              kdut::SetupTracker<vorlan_shared::SetupLevel>& tracker);
  ~QuillHelper();
  QuillHelper(const QuillHelper&) = delete;
  QuillHelper& operator=(const QuillHelper&) = delete;

  // Null when the owner could not build its own locks.
  kdut::CleanupOperationComposite* getCleanupOperationComposite();
  kivark::RoutingResourcesManager* getRoutingResourcesManager();
  kivark::RoutingResources* getRoutingResources() { return &routingResources_; }
  uint32_t getSerialNumber() const { return serialNumber_; }
  void* getBar0() const { return bar0_; }

  // Test knob: the step that completes `level` fails with `code`; level 0
  // disarms. Holds for every start-up until disarmed.
  static void failStepAt(uint32_t level, int64_t code);

 private:
  void runStep(uint32_t level, nKIVAPALS100::tStatus& status);

  static uint32_t sFailLevel_;
  static int64_t sFailCode_;

  QuillDevice& device_;
  nKIVAPALS100::tStatus ownStatus_;
  kdut::CleanupOperationComposite composite_;
  kivark::RoutingResourcesManager routingManager_;
  kivark::RoutingResources routingResources_;
  void* bar0_;
  uint32_t serialNumber_;
};

}  // namespace vorlan_driver
