// The gate one request passes: an I/O reference on the device for its
// session, then its sentries in the order they were added.
#pragma once

#include "framework/kdut/IOGateSentryInterface.h"
#include "platform/containers/tSmallVector.h"
#include "platform/device/tDeviceCore.h"
#include "platform/device/tSession.h"
#include "platform/status/tStatus.h"

namespace kdut {

class IOGate {
 public:
  IOGate(vorlan_driver::nKIVAPAL000::tDeviceCore* device, vorlan_driver::nKIVAPAL000::tSession* session)
      : device_(device), session_(session), entered_(false) {}
  // The sentries are not ours; only the list is freed.
  virtual ~IOGate() {}
  IOGate(const IOGate&) = delete;
  IOGate& operator=(const IOGate&) = delete;

  // Inline: every request adds its two, into room the gate already has.
  void addSentry(IOGateSentryInterface* sentry, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    sentries_.pushBack(sentry, status);
  }
  // Waits while the device suspends I/O. The reference stays taken whatever
  // the sentries say; leave() gives it back.
  void enter(nKIVAPALS100::tStatus& status);
  void leave();

  bool isEntered() const { return entered_; }

 private:
  vorlan_driver::nKIVAPAL000::tDeviceCore* device_;
  vorlan_driver::nKIVAPAL000::tSession* session_;
  bool entered_;
  // A request's gate has two sentries; room for them inside the gate keeps
  // the request path off the heap.
  vorlan_driver::nKIVAPAL000::tSmallVector<IOGateSentryInterface*, 4> sentries_;
};

}  // namespace kdut
