#include "routing/RoutingResourcesManager.h"

#include "routing/RoutingSession.h"

namespace kivark {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

RoutingResourcesManager::RoutingResourcesManager(nKIVAPALS100::tStatus& status)
    : mutex_(status), resources_(nullptr) {}

bool RoutingResourcesManager::registerRoutingSession(KernelRoutingSession* session) {
  tAutoLock<tMutex> lock(mutex_);
  nKIVAPALS100::tStatus listed;
  sessions_.pushBack(session, listed);
  // Only a listed session hears of a withdrawal: resources handed to one
  // that is not listed would outlive the hardware behind them.
  if (listed.isFatal()) return false;
  if (resources_ != nullptr) session->setRoutingResources(resources_);
  return true;
}

void RoutingResourcesManager::unregisterRoutingSession(KernelRoutingSession* session) {
  tAutoLock<tMutex> lock(mutex_);
  for (uint64_t i = 0; i < sessions_.count(); ++i) {
    if (sessions_[i] != session) continue;
    sessions_.eraseAt(i);
    session->clearRoutingResources();
    return;
  }
}

void RoutingResourcesManager::setRoutingResources(RoutingResources* resources) {
  tAutoLock<tMutex> lock(mutex_);
  resources_ = resources;
  for (uint64_t i = 0; i < sessions_.count(); ++i) sessions_[i]->setRoutingResources(resources);
}

void RoutingResourcesManager::withdrawRoutingResources() {
  tAutoLock<tMutex> lock(mutex_);
  resources_ = nullptr;
  for (uint64_t i = 0; i < sessions_.count(); ++i) sessions_[i]->clearRoutingResources();
}

RoutingResources* RoutingResourcesManager::getRoutingResources() {
  tAutoLock<tMutex> lock(mutex_);
  return resources_;
}

uint64_t RoutingResourcesManager::getSessionCount() {
  tAutoLock<tMutex> lock(mutex_);
  return sessions_.count();
}

}  // namespace kivark
