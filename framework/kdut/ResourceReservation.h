// One session's share of the device's resources. Its cleanup releases what
// the session holds.
#pragma once

#include <stdint.h>

#include "framework/kdut/CleanupOperationInterface.h"
#include "framework/kdut/ResourceReservationInterface.h"
#include "framework/kdut/ResourceReservationManager.h"
#include "platform/synchronization/tMutex.h"

namespace kdut {

class ResourceReservation : public ResourceReservationInterface, public CleanupOperationInterface {
 public:
  ResourceReservation(int32_t notHeldCode, ResourceReservationManager* manager, nKIVAPALS100::tStatus& status);
  ~ResourceReservation() override {}

  void reserve(CleanupOperationComposite& composite, uint64_t mask, nKIVAPALS100::tStatus& status) override;
  void release(CleanupOperationComposite& composite, nKIVAPALS100::tStatus& status) override;
  void checkReserved(uint64_t mask, nKIVAPALS100::tStatus& status) override;
  virtual void releaseAll(nKIVAPALS100::tStatus& status);
  void cleanup(nKIVAPALS100::tStatus& status) override { releaseAll(status); }

  uint64_t getHeldMask();

 private:
  int32_t notHeldCode_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  ResourceReservationManager* manager_;
  uint64_t heldMask_;
};

}  // namespace kdut
