#include "routing/RoutingResourcesManager.h"

#include "routing/RoutingSession.h"

namespace kivark {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

RoutingResourcesManager::RoutingResourcesManager(nKIVAPALS100::tStatus& status)
    : mutex_(status), resources_(nullptr) {
  sessions_.initialize();
}

RoutingResourcesManager::~RoutingResourcesManager() {
  // A manager whose mutex could not be made was never handed a session.
  if (mutex_.isCreated()) withdrawRoutingResources();
}

namespace {

KernelRoutingSession* sessionOf(vorlan_driver::nKIVAPAL000::tListLink* link) {
  return reinterpret_cast<RoutingSessionLink*>(link)->session;
}

}  // namespace

void RoutingResourcesManager::registerRoutingSession(KernelRoutingSession* session) {
  tAutoLock<tMutex> lock(mutex_);
  if (resources_ != nullptr) session->setRoutingResources(resources_);
  session->getManagerLink().link.insertBefore(sessions_.next);
}

void RoutingResourcesManager::unregisterRoutingSession(KernelRoutingSession* session) {
  tAutoLock<tMutex> lock(mutex_);
  vorlan_driver::nKIVAPAL000::tListLink& link = session->getManagerLink().link;
  if (link.isLinked()) release(session, false);
}

void RoutingResourcesManager::release(KernelRoutingSession* session, bool demote) {
  // The session's lock is held from the unlisting to the last call, so the
  // session's destructor, which asks under that lock whether the manager
  // still lists it, cannot run ahead and free it in between.
  tAutoLock<tMutex> sessionLock(session->getMutex());
  session->getManagerLink().link.unlink();
  session->clearRoutingResources();
  if (demote) session->demoteSession();
  session->leaveManager();
}

void RoutingResourcesManager::setRoutingResources(RoutingResourcesInterface* resources) {
  tAutoLock<tMutex> lock(mutex_);
  resources_ = resources;
  for (auto* link = sessions_.next; link != &sessions_; link = link->next) {
    sessionOf(link)->setRoutingResources(resources);
  }
}

void RoutingResourcesManager::withdrawRoutingResources() {
  tAutoLock<tMutex> lock(mutex_);
  const bool held = resources_ != nullptr;
  resources_ = nullptr;
  // Each session leaves the list as it is detached, so a later hand-out
  // cannot re-attach a session whose routes were given back and whose user
  // was told; only sessions registered afterwards get new resources.
  while (sessions_.next != &sessions_) release(sessionOf(sessions_.next), held);
}

RoutingResourcesInterface* RoutingResourcesManager::getRoutingResources() {
  tAutoLock<tMutex> lock(mutex_);
  return resources_;
}

uint64_t RoutingResourcesManager::getSessionCount() {
  tAutoLock<tMutex> lock(mutex_);
  uint64_t count = 0;
  for (auto* link = sessions_.next; link != &sessions_; link = link->next) ++count;
  return count;
}

}  // namespace kivark
