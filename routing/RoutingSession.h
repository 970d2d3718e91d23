// The routing session of one open session: the base's routing front end, the
// notifier that tells user mode when the resources are withdrawn, and its
// place on the manager's list while the manager lists it.
#pragma once

#include "platform/io_notification/tIONotifier.h"
#include "platform/synchronization/tMutex.h"
#include "routing/APALUserBufferWrapper.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/RoutingSessionBase.h"

namespace kivark {

template <typename TerminalType, typename EdgeType, typename BufferType>
class RoutingSession : public RoutingSessionBase<BufferType> {
  typedef vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> tLock;

 public:
  RoutingSession(RoutingResourcesManager* manager, nKIVAPALS100::tStatus& status)
      : RoutingSessionBase<BufferType>(status), manager_(nullptr) {
    managerLink_.link.initialize();
    managerLink_.session = this;
    if (status.isNotFatal() && manager != nullptr) {
      // Nobody else knows the session yet: no lock is needed to set it.
      manager_ = manager;
      manager->registerRoutingSession(this);
    }
  }
  // The notifier closes under the session's lock, the lock a demotion sends
  // under, so a withdrawal running on another thread never sees it half
  // closed. The manager is called only while it still lists the session: a
  // manager that let the session go (a withdrawal, or its own end) has
  // finished with it and may be gone.
  ~RoutingSession() override {
    if (!this->isConstructed()) return;  // never listed; the notifier was never opened
    RoutingResourcesManager* manager = nullptr;
    {
      tLock lock(this->getMutex());
      notifier_.close();
      manager = manager_;
    }
    // Without the session's lock: the manager takes its own, then this one's.
    if (manager != nullptr) manager->unregisterRoutingSession(this);
  }
  RoutingSession(const RoutingSession&) = delete;
  RoutingSession& operator=(const RoutingSession&) = delete;

  // Tells user mode, when it listens, that the session lost its resources:
  // one notification with no payload. A failed send is dropped; there is no
  // one to report it to.
  void demoteSession() override {
    tLock lock(this->getMutex());
    if (!notifier_.isOpen()) return;
    nKIVAPALS100::tStatus dropped;
    notifier_.notify(nullptr, 0, dropped);
  }

  // The manager's last word on the session, under the manager's lock and
  // this session's: after it the session never calls the manager again.
  void leaveManager() { manager_ = nullptr; }

  // Used under getMutex().
  vorlan_driver::nKIVAPAL000::tIONotifier& getIONotifier() { return notifier_; }
  // Owned by the manager's list: used under the manager's mutex only.
  RoutingSessionLink& getManagerLink() { return managerLink_; }

 private:
  // The manager listing the session, null once it let the session go; read
  // and cleared under the session's lock.
  RoutingResourcesManager* manager_;
  vorlan_driver::nKIVAPAL000::tIONotifier notifier_;
  RoutingSessionLink managerLink_;
};

}  // namespace kivark
