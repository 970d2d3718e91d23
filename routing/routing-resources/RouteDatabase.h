// Every route the resources know, in order of addition, with the ids that
// name them to user mode.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/status/tStatus.h"
#include "routing/routing-resources/RouteInDB.h"

namespace kivark {

class RouteDatabase {
 public:
  RouteDatabase() : nextId_(1), wrapped_(false) {}
  ~RouteDatabase();
  RouteDatabase(const RouteDatabase&) = delete;
  RouteDatabase& operator=(const RouteDatabase&) = delete;

  // Appends a copy of the route; its id, or 0 when it could not be added.
  uint32_t add(const Route& route, nKIVAPALS100::tStatus& status);
  // Null when no route has the id.
  RouteInDB* find(uint32_t id);
  uint64_t count() const { return routes_.count(); }
  RouteInDB& at(uint64_t index) { return routes_[index]; }
  // The routes after it keep their order.
  void remove(uint32_t id);

 private:
  bool isInUse(uint32_t id) const;
  static void releaseArrays(RouteInDB& entry);

  vorlan_driver::nKIVAPAL000::tVector<RouteInDB> routes_;
  uint32_t nextId_;
  bool wrapped_;
};

}  // namespace kivark
