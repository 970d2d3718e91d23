// The base of every session: what the device core needs to let close wait
// for the session's requests in flight.
#pragma once

#include <stdint.h>

#include "platform/device/tListLink.h"
#include "platform/device/tSyncEvent.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tDeviceInterface;

class tSession {
 public:
  tSession(tDeviceInterface* interface, nKIVAPALS100::tStatus& status);
  virtual ~tSession() {}
  tSession(const tSession&) = delete;
  tSession& operator=(const tSession&) = delete;

  tDeviceInterface* getInterface() const { return interface_; }
  uint32_t getRequestsInFlight() const { return __atomic_load_n(&requestsInFlight_, __ATOMIC_SEQ_CST); }
  // Read under the device's async-I/O lock where it matters.
  bool isClosing() const { return closing_; }

 private:
  friend class tDeviceCore;

  tListLink asyncIOList_;
  tDeviceInterface* interface_;
  uint32_t requestsInFlight_;
  tSyncEvent drainedEvent_;
  bool closing_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
