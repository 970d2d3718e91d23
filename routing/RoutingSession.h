// One session's share of signal routing: the resources it may route over
// while the device has them, and the notifier that tells user mode when they
// are withdrawn. Registered with the manager for its whole life.
#pragma once

#include "platform/io_notification/tIONotifier.h"
#include "platform/synchronization/tMutex.h"
#include "routing/RoutingResourcesManager.h"

namespace kivark {

template <typename TerminalType, typename EdgeType, typename BufferType>
class RoutingSession {
 public:
  RoutingSession(RoutingResourcesManager* manager, nKIVAPALS100::tStatus& status)
      : manager_(manager), registered_(false), mutex_(status), resources_(nullptr) {
    managerLink_.link.initialize();
    managerLink_.session = this;
    if (status.isNotFatal() && manager_ != nullptr) {
      manager_->registerRoutingSession(this);
      registered_ = true;
    }
  }
  virtual ~RoutingSession() {
    notifier_.close();
    if (registered_) manager_->unregisterRoutingSession(this);
  }
  RoutingSession(const RoutingSession&) = delete;
  RoutingSession& operator=(const RoutingSession&) = delete;

  void setRoutingResources(RoutingResourcesInterface* resources) {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    resources_ = resources;
  }
  void clearRoutingResources() {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    resources_ = nullptr;
  }
  // Tells user mode, when it listens, that the session lost its resources:
  // one notification with no payload. A failed send is dropped; there is no
  // one to report it to.
  void demoteSession() {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    if (!notifier_.isOpen()) return;
    nKIVAPALS100::tStatus dropped;
    notifier_.notify(nullptr, 0, dropped);
  }
  RoutingResourcesInterface* getRoutingResources() {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(mutex_);
    return resources_;
  }

  vorlan_driver::nKIVAPAL000::tMutex& getMutex() { return mutex_; }
  // Used under getMutex().
  vorlan_driver::nKIVAPAL000::tIONotifier& getIONotifier() { return notifier_; }
  // Owned by the manager's list: used under the manager's mutex only.
  RoutingSessionLink& getManagerLink() { return managerLink_; }

 private:
  RoutingResourcesManager* manager_;
  bool registered_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  RoutingResourcesInterface* resources_;
  vorlan_driver::nKIVAPAL000::tIONotifier notifier_;
  RoutingSessionLink managerLink_;
};

}  // namespace kivark
