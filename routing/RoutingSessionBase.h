// One session's front end to the routing engine: it owns the routes it
// calculated (by id), forwards each request to the device's routing
// resources under its own lock, moves records between the caller's buffers
// and the engine, and gives its routes back when the resources go. Every
// operation with a status answers -52020 while the session has no resources.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "routing/routing-resources/RoutingResourcesInterface.h"

namespace kivark {

template <typename BufferType>
class RoutingSessionBase {
  typedef vorlan_driver::nKIVAPAL000::tAutoLock<vorlan_driver::nKIVAPAL000::tMutex> tLock;

 public:
  static constexpr uint32_t kInlineCount = 16;

  explicit RoutingSessionBase(nKIVAPALS100::tStatus& status)
      : resources_(nullptr), mutex_(status), constructed_(status.isNotFatal()), seeds_(), destinations_() {}
  virtual ~RoutingSessionBase() {}
  RoutingSessionBase(const RoutingSessionBase&) = delete;
  RoutingSessionBase& operator=(const RoutingSessionBase&) = delete;

  virtual uint32_t queryVersion() { return 1; }

  // Routes from the seeds to the destinations; the records go to `results`
  // when `capacity` can hold them (else -52019, capacity := the number
  // needed, and no route is kept). Returns the resources' answer.
  virtual uint32_t calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                                  const uint32_t* destinations, uint32_t destinationCount, uint32_t flags,
                                  const BufferType& results, uint32_t& capacity, nKIVAPALS100::tStatus& status) {
    if (!constructed_) return 0;
    tLock lock(mutex_);
    return calculate(owner, seeds, seedCount, destinations, destinationCount, flags, results, capacity, status);
  }

  virtual uint32_t calculateRoute(uint64_t owner, const BufferType& seedBuffer, uint32_t seedCount,
                                  const BufferType& destinationBuffer, uint32_t destinationCount, uint32_t flags,
                                  const BufferType& results, uint32_t& capacity, nKIVAPALS100::tStatus& status) {
    if (!constructed_) return 0;
    tLock lock(mutex_);
    if (!attached(status) || !countsFit(seedCount, destinationCount, status)) return 0;
    RouteCalculationSeedBase* seeds = seedCount <= kInlineCount ? seeds_ : kivNew(status) RouteCalculationSeedBase[seedCount]();
    uint32_t* destinations =
        destinationCount <= kInlineCount ? destinations_ : kivNew(status) uint32_t[destinationCount]();
    uint32_t result = 0;
    if (seeds != nullptr && destinations != nullptr) {
      seedBuffer.readFromBuffer(0, seeds, uint64_t(seedCount) * sizeof(RouteCalculationSeedBase), status);
      destinationBuffer.readFromBuffer(0, destinations, uint64_t(destinationCount) * sizeof(uint32_t), status);
      if (status.isNotFatal()) {
        result = calculate(owner, seeds, seedCount, destinations, destinationCount, flags, results, capacity, status);
      }
    }
    if (seeds != seeds_) delete[] seeds;
    if (destinations != destinations_) delete[] destinations;
    return result;
  }

  // For a caller that copies the seeds and destinations itself: whether a
  // calculation can take these counts, asked before anything is sized by
  // them. -52020 without resources, -52005 for more than any calculation
  // over the resources' topography can use.
  bool admitsCalculation(uint32_t seedCount, uint32_t destinationCount, nKIVAPALS100::tStatus& status) {
    if (!constructed_) return false;
    tLock lock(mutex_);
    return attached(status) && countsFit(seedCount, destinationCount, status);
  }

  // Only a route the session owns is destroyed; anything else is ignored.
  virtual void destroyRoute(uint32_t routeId) {
    if (!constructed_) return;
    tLock lock(mutex_);
    const uint64_t index = find(routeId);
    if (index == owned_.count()) return;
    owned_.eraseAt(index);
    if (resources_ != nullptr) resources_->destroyRoute(routeId);
  }

  // Conflicts are delivered even though the reservation failed: the first
  // `capacity` of them; a failed copy leaves capacity 0 and is not reported.
  virtual void reserveRoute(uint32_t routeId, const BufferType& conflicts, uint32_t& capacity,
                            nKIVAPALS100::tStatus& status) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (!attachedAndOwned(routeId, status)) return;
    AllocHelper helper = resources_->getAllocHelper();
    RouteConflict* records = nullptr;
    uint32_t count = 0;
    resources_->reserveRoute(routeId, records, count, status);
    if (count < capacity) capacity = count;
    nKIVAPALS100::tStatus copy;
    if (capacity != 0) conflicts.writeToBuffer(0, records, uint64_t(capacity) * sizeof(RouteConflict), copy);
    if (copy.isFatal()) capacity = 0;
    helper.function(records, 0, helper.context);
  }

  virtual void programRoute(uint32_t routeId, nKIVAPALS100::tStatus& status) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (attachedAndOwned(routeId, status)) resources_->programRoute(routeId, status);
  }
  virtual void unreserveRoute(uint32_t routeId) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (resources_ != nullptr && find(routeId) != owned_.count()) resources_->unreserveRoute(routeId);
  }
  virtual void unprogramRoute(uint32_t routeId) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (resources_ != nullptr && find(routeId) != owned_.count()) resources_->unprogramRoute(routeId);
  }
  virtual void resetTerminal(uint32_t terminalId, uint32_t mode, nKIVAPALS100::tStatus& status) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (attached(status)) resources_->resetTerminal(terminalId, mode, status);
  }

  virtual uint32_t calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                          nKIVAPALS100::tStatus& status) {
    if (!constructed_) return 0;
    tLock lock(mutex_);
    if (!attached(status) || !owned_.reserve(owned_.count() + 1, status)) return 0;
    const uint32_t routeId = resources_->calculateResetTerminal(owner, terminalId, mode, status);
    if (status.isFatal()) return 0;
    owned_.pushBack(routeId, status);
    return routeId;
  }

  // Any route of the device may be asked for, owned or not.
  virtual void getRouteTerminalPath(uint32_t routeId, const BufferType& path, uint32_t& capacity,
                                    nKIVAPALS100::tStatus& status) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (!attached(status)) return;
    AllocHelper helper = resources_->getAllocHelper();
    uint32_t* ids = nullptr;
    uint32_t count = 0;
    resources_->getRouteTerminalPath(routeId, ids, count, status);
    if (status.isNotFatal()) {
      if (capacity < count) {
        vorlanSetCode(status, vorlan_driver::statusCodes::kBufferTooSmall);
      } else {
        path.writeToBuffer(0, ids, uint64_t(count) * sizeof(uint32_t), status);
      }
      capacity = count;
    }
    helper.function(ids, 0, helper.context);
  }

  // The name and its zero byte; a buffer without room for both gets -52019.
  virtual void getTopographyName(const BufferType& name, nKIVAPALS100::tStatus& status) {
    if (!constructed_) return;
    tLock lock(mutex_);
    if (!attached(status)) return;
    const TopInfo* info = resources_->getTopInfo();
    const char* text = info != nullptr ? info->name : nullptr;
    uint64_t length = 0;
    while (text != nullptr && text[length] != '\0') ++length;
    if (name.getSize() <= length) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kBufferTooSmall);
      return;
    }
    if (text != nullptr) name.writeToBuffer(0, text, length + 1, status);
  }

  virtual void demoteSession() {}

  virtual void setRoutingResources(RoutingResourcesInterface* resources) {
    tLock lock(mutex_);
    resources_ = resources;
  }
  // Gives every owned route back, last created first.
  virtual void clearRoutingResources() {
    tLock lock(mutex_);
    if (resources_ != nullptr) {
      while (!owned_.isEmpty()) {
        const uint32_t routeId = owned_[owned_.count() - 1];
        owned_.eraseAt(owned_.count() - 1);
        resources_->destroyRoute(routeId);
      }
    }
    resources_ = nullptr;
  }

  RoutingResourcesInterface* getRoutingResources() {
    tLock lock(mutex_);
    return resources_;
  }
  uint64_t getOwnedRouteCount() {
    tLock lock(mutex_);
    return owned_.count();
  }
  bool isConstructed() const { return constructed_; }
  vorlan_driver::nKIVAPAL000::tMutex& getMutex() { return mutex_; }

 private:
  bool attached(nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return false;
    if (resources_ == nullptr) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kResourceNotAvailable);
      return false;
    }
    return true;
  }
  bool attachedAndOwned(uint32_t routeId, nKIVAPALS100::tStatus& status) {
    if (!attached(status)) return false;
    if (find(routeId) == owned_.count()) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
      return false;
    }
    return true;
  }
  // A pass of the search takes at most one seed per terminal (a later seed
  // of the same terminal replaces the earlier) and the two passes take
  // disjoint seeds; a destination counts once however often it is named.
  // Longer arrays can only repeat entries, and the caller's counts would
  // size kernel copies of them: they are refused, as an unknown terminal is.
  // Used under the mutex, with resources.
  bool countsFit(uint32_t seedCount, uint32_t destinationCount, nKIVAPALS100::tStatus& status) const {
    const uint64_t terminals = terminalCount();
    if (seedCount <= 2 * terminals && destinationCount <= terminals) return true;
    vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
    return false;
  }
  // Each pass finds at most one route per destination terminal and one
  // route of opposite parity beside it.
  uint64_t mostRoutesOfACalculation() const { return 4 * terminalCount(); }
  uint64_t terminalCount() const {
    const TopInfo* info = resources_->getTopInfo();
    return info != nullptr ? info->terminalCount : 0;
  }

  uint64_t find(uint32_t routeId) const {
    uint64_t i = 0;
    while (i < owned_.count() && owned_[i] != routeId) ++i;
    return i;
  }

  uint32_t calculate(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                     const uint32_t* destinations, uint32_t destinationCount, uint32_t flags,
                     const BufferType& results, uint32_t& capacity, nKIVAPALS100::tStatus& status) {
    if (!attached(status) || !countsFit(seedCount, destinationCount, status)) return 0;
    // Room for every route the calculation may keep, made before it runs; a
    // capacity beyond what any calculation yields needs no more.
    const uint64_t room = capacity < mostRoutesOfACalculation() ? capacity : mostRoutesOfACalculation();
    if (!owned_.reserve(owned_.count() + room, status)) return 0;
    RoutePossibilityBase* records = nullptr;
    uint32_t count = 0;
    uint32_t result =
        resources_->calculateRoute(owner, seeds, seedCount, destinations, destinationCount, flags, records, count, status);
    // The records are the caller's to free whatever the answer: a calculation
    // that fails after making room for them still hands the room back.
    AllocHelper helper = resources_->getAllocHelper();
    if (status.isFatal()) {
      helper.function(records, 0, helper.context);
      return 0;
    }
    bool keep = false;
    if (capacity < count) {
      vorlanSetCode(status, vorlan_driver::statusCodes::kBufferTooSmall);
      result = 0;
    } else {
      results.writeToBuffer(0, records, uint64_t(count) * sizeof(RoutePossibilityBase), status);
      keep = status.isNotFatal() && owned_.reserve(owned_.count() + count, status);
    }
    capacity = count;
    for (uint32_t i = 0; i < count; ++i) {
      if (keep) {
        owned_.pushBack(records[i].routeId, status);
      } else {
        resources_->destroyRoute(records[i].routeId);
      }
    }
    helper.function(records, 0, helper.context);
    return result;
  }

  RoutingResourcesInterface* resources_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  bool constructed_;
  vorlan_driver::nKIVAPAL000::tVector<uint32_t> owned_;
  RouteCalculationSeedBase seeds_[kInlineCount];
  uint32_t destinations_[kInlineCount];
};

}  // namespace kivark
