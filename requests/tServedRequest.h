// One instrument request as its method runs it: the gate at the request's
// level, then, while the gate holds, the request's body over the objects
// the hardware owner has built and the calling session.
#pragma once

#include <stdint.h>

#include "device/KernelSession.h"
#include "device/QuillDevice.h"
#include "requests/InstrumentObjects.h"
#include "requests/tRequestGate.h"

namespace vorlan_driver {
namespace requests {

template <typename Body>
class tServedRequest {
 public:
  tServedRequest(QuillDevice& device, const nKIVAPAL000::tEventDescriptor& descriptor, uint32_t level,
                 nKIVAPALS100::tStatus& status)
      : gate_(device, descriptor, level, status),
        // A refused request reads nothing of the hardware owner: removal or
        // a reset may be tearing it down behind the closed gate.
        objects_(gate_.passed() ? instrumentObjectsOf(device) : InstrumentObjects{}),
        body_(descriptor, static_cast<meridansharedsource::KernelSession*>(descriptor.getSession()), objects_) {}
  tServedRequest(const tServedRequest&) = delete;
  tServedRequest& operator=(const tServedRequest&) = delete;

  // False when the method must return its failure default.
  bool passed() const { return gate_.passed(); }
  Body& body() { return body_; }

 private:
  tRequestGate gate_;
  InstrumentObjects objects_;
  Body body_;
};

}  // namespace requests
}  // namespace vorlan_driver
