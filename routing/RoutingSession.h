// The routing session of one open session: the base's routing front end, the
// notifier that tells user mode when the resources are withdrawn, and its
// place on the manager's list for its whole life.
#pragma once

#include "platform/io_notification/tIONotifier.h"
#include "platform/synchronization/tMutex.h"
#include "routing/APALUserBufferWrapper.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/RoutingSessionBase.h"

namespace kivark {

template <typename TerminalType, typename EdgeType, typename BufferType>
class RoutingSession : public RoutingSessionBase<BufferType> {
 public:
  RoutingSession(RoutingResourcesManager* manager, nKIVAPALS100::tStatus& status)
      : RoutingSessionBase<BufferType>(status), manager_(manager), registered_(false) {
    managerLink_.link.initialize();
    managerLink_.session = this;
    if (status.isNotFatal() && manager_ != nullptr) {
      manager_->registerRoutingSession(this);
      registered_ = true;
    }
  }
  ~RoutingSession() override {
    notifier_.close();
    if (registered_) manager_->unregisterRoutingSession(this);
  }
  RoutingSession(const RoutingSession&) = delete;
  RoutingSession& operator=(const RoutingSession&) = delete;

  // Tells user mode, when it listens, that the session lost its resources:
  // one notification with no payload. A failed send is dropped; there is no
  // one to report it to.
  void demoteSession() override {
    vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> lock(this->getMutex());
    if (!notifier_.isOpen()) return;
    nKIVAPALS100::tStatus dropped;
    notifier_.notify(nullptr, 0, dropped);
  }

  // Used under getMutex().
  vorlan_driver::nKIVAPAL000::tIONotifier& getIONotifier() { return notifier_; }
  // Owned by the manager's list: used under the manager's mutex only.
  RoutingSessionLink& getManagerLink() { return managerLink_; }

 private:
  RoutingResourcesManager* manager_;
  bool registered_;
  vorlan_driver::nKIVAPAL000::tIONotifier notifier_;
  RoutingSessionLink managerLink_;
};

}  // namespace kivark
