// An asynchronous operation on the device's and its session's lists. The
// device core only ever cancels them; nothing in this driver starts one.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/device/tListLink.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tDeviceCore;
class tSession;

class tAsyncIO {
 public:
  static constexpr uint32_t kStateDone = 0;
  static constexpr uint32_t kStatePending = 1;

  // A list link that leads back to its operation.
  struct tLink {
    tListLink link;
    tAsyncIO* owner;
  };

  tAsyncIO(tDeviceCore* device, tSession* session);
  virtual ~tAsyncIO() {}
  tAsyncIO(const tAsyncIO&) = delete;
  tAsyncIO& operator=(const tAsyncIO&) = delete;

  virtual void startCallback() {}
  // True when the operation may be completed now.
  virtual bool cancel() = 0;
  virtual void completeCallback(void* argument) { (void)argument; }

  static tAsyncIO* fromLink(tListLink* link) { return reinterpret_cast<tLink*>(link)->owner; }

  tLink& getDeviceLink() { return deviceLink_; }
  tLink& getSessionLink() { return sessionLink_; }
  tDeviceCore* getDevice() const { return device_; }
  tSession* getSession() const { return session_; }
  bool isPending() const { return state_ == kStatePending; }
  bool isCancelled() const { return cancelled_; }
  bool isCompleted() const { return completed_; }
  void markCancelled() { cancelled_ = true; }
  void markDone() { state_ = kStateDone; }
  void unlinkBoth();

 private:
  tLink deviceLink_;
  tLink sessionLink_;
  nKIVAPALS100::tStatus status_;
  tDeviceCore* device_;
  tSession* session_;
  uint32_t state_;
  bool cancelled_;
  bool completed_;
};

// fromLink reads a list link as the tLink around it.
static_assert(offsetof(tAsyncIO::tLink, link) == 0, "an operation's list link starts its tLink");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
