#include "device/KernelSession.h"

#include "framework/kdut/kdutStatusCodes.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "routing/RoutingSession.h"

namespace meridansharedsource {

KernelSession::KernelSession(vorlan_driver::nKIVAPAL000::tDeviceInterface* interface, const uint32_t* resetCounter,
                             int32_t reservationCode, kdut::ResourceReservationManager* reservationManager,
                             kivark::RoutingResourcesManager* routingManager, uint64_t cleanupCapacity,
                             nKIVAPALS100::tStatus& status)
    : tSession(interface, status),
      invalidation_(resetCounter, static_cast<int32_t>(kdut::codes::kSessionInvalidated)),
      reservation_(reservationCode, reservationManager, status),
      cleanupList_(cleanupCapacity, &invalidation_, status),
      routingSession_(nullptr),
      complete_(false) {
  if (status.isNotFatal() && routingManager != nullptr) {
    kivark::KernelRoutingSession* routing = kivNew(status) kivark::KernelRoutingSession(routingManager, status);
    if (status.isFatal()) {
      delete routing;
    } else {
      routingSession_ = routing;
    }
  }
  if (status.isFatal()) return;
  getCleanupOperationComposite().add(static_cast<kdut::CleanupOperationInterface*>(this), status);
  complete_ = status.isNotFatal();
}

KernelSession::~KernelSession() {
  if (!complete_) return;
  // A valid session's cleanup run below releases its channels. An invalid
  // one's run does not happen, and a teardown ran it only when the session
  // was registered with a hardware owner; whatever is still held now would
  // stay reserved for the life of the device.
  if (!isValid() || !getCleanupOperationComposite().contains(&reservation_)) {
    nKIVAPALS100::tStatus dropped;
    reservation_.releaseAll(dropped);
  }
}

void KernelSession::cleanup(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  delete routingSession_;
  routingSession_ = nullptr;
}

}  // namespace meridansharedsource
