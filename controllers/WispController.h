// The isolated-port switch as the driver uses it: one kit object over BAR 0
// behind a mutex, for the version query and for routing one channel slot
// at a time, which is what the route programmer asks of it.
#pragma once

#include <stdint.h>

#include "controllers/routing/IsolatedPortRouter.h"
#include "controllers/wispddk/WispIsoPort.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace vorlan_driver {

class WispController : public IsolatedPortRouter {
 public:
  static constexpr uint32_t kWindowOffset = 0x40000;
  static constexpr uint32_t kNoVersion = 0xFFFFFFFFu;

  // A wrong signature leaves the status failed; the owner then drops the
  // controller.
  WispController(uint8_t* bar0, nKIVAPALS100::tStatus& status) : kit_(bar0, kWindowOffset, status), mutex_(status) {}
  ~WispController() override {}
  WispController(const WispController&) = delete;
  WispController& operator=(const WispController&) = delete;

  // The kit's version, not the hardware's word.
  virtual uint32_t getVersion(nKIVAPALS100::tStatus& status);
  // Routes one slot (0-9) with one code (0 leave, 1 port 1 to 2, 2 port 2
  // to 1, 3 reset); the other slots are left alone. A slot outside 0-9
  // routes nothing; a code outside 0-3 is refused.
  void routeChannel(uint32_t slot, uint32_t code, nKIVAPALS100::tStatus& status) override;

 private:
  wispddk::WispIsoPort kit_;
  nKIVAPAL000::tMutex mutex_;
};

}  // namespace vorlan_driver
