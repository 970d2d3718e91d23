// What one open of a device interface carries: the platform session, whether
// a reset has invalidated it since, the channels it holds, the work to undo
// when it goes away and, when the device was set up far enough, a routing
// session of its own.
#pragma once

#include <stdint.h>

#include "framework/kdut/CleanupOperationInterface.h"
#include "framework/kdut/CleanupOperationSession.h"
#include "framework/kdut/CleanupOperationSessionInterface.h"
#include "framework/kdut/InvalidatableSessionInterface.h"
#include "framework/kdut/ResetInvalidatableSession.h"
#include "framework/kdut/ResourceReservation.h"
#include "framework/kdut/ResourceReservationInterface.h"
#include "platform/device/tSession.h"
#include "routing/RoutingResourcesManager.h"

namespace meridansharedsource {

class KernelSession : public vorlan_driver::nKIVAPAL000::tSession,
                      public kdut::InvalidatableSessionInterface,
                      public kdut::CleanupOperationSessionInterface,
                      public kdut::ResourceReservationInterface,
                      public kdut::CleanupOperationInterface {
 public:
  // The routing manager may be null: the session then has no routing session.
  KernelSession(vorlan_driver::nKIVAPAL000::tDeviceInterface* interface, const uint32_t* resetCounter,
                int32_t reservationCode, kdut::ResourceReservationManager* reservationManager,
                kivark::RoutingResourcesManager* routingManager, uint64_t cleanupCapacity,
                nKIVAPALS100::tStatus& status);
  ~KernelSession() override;

  bool isValid() const override { return invalidation_.isValid(); }
  void checkValid(nKIVAPALS100::tStatus& status) const override { invalidation_.checkValid(status); }
  uint32_t revalidate() override { return invalidation_.revalidate(); }

  kdut::CleanupOperationComposite& getCleanupOperationComposite() override {
    return cleanupList_.getCleanupOperationComposite();
  }

  void reserve(kdut::CleanupOperationComposite& composite, uint64_t mask, nKIVAPALS100::tStatus& status) override {
    reservation_.reserve(composite, mask, status);
  }
  void release(kdut::CleanupOperationComposite& composite, nKIVAPALS100::tStatus& status) override {
    reservation_.release(composite, status);
  }
  void checkReserved(uint64_t mask, nKIVAPALS100::tStatus& status) override {
    reservation_.checkReserved(mask, status);
  }

  // The session's first cleanup operation, so it runs after every later one:
  // gives up the routing session.
  void cleanup(nKIVAPALS100::tStatus& status) override;

  void reserveResources(uint64_t mask, nKIVAPALS100::tStatus& status) {
    reserve(getCleanupOperationComposite(), mask, status);
  }
  void releaseResources(nKIVAPALS100::tStatus& status) { release(getCleanupOperationComposite(), status); }
  kivark::KernelRoutingSession* getRoutingSession() const { return routingSession_; }
  uint64_t getHeldMask() { return reservation_.getHeldMask(); }

 private:
  kdut::ResetInvalidatableSession invalidation_;
  kdut::ResourceReservation reservation_;
  kdut::CleanupOperationSession cleanupList_;
  kivark::KernelRoutingSession* routingSession_;
  // Whether construction succeeded; a session that failed half-built has
  // locks that were never made and holds nothing.
  bool complete_;
};

}  // namespace meridansharedsource
