#include "routing/routing-resources/RouteDatabase.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"

namespace kivark {

using nKIVAPALS100::tStatus;
namespace pal = vorlan_driver::nKIVAPAL000;

namespace {

Segment* copySegments(const Segment* from, uint32_t count, tStatus& status) {
  if (count == 0) return nullptr;
  Segment* copy = static_cast<Segment*>(pal::allocate(uint64_t(count) * sizeof(Segment), status, 0));
  if (copy != nullptr) pal::copyBytes(copy, from, uint64_t(count) * sizeof(Segment));
  return copy;
}

}  // namespace

RouteDatabase::~RouteDatabase() {
  for (uint64_t i = 0; i < routes_.count(); ++i) releaseArrays(routes_[i]);
}

void RouteDatabase::releaseArrays(RouteInDB& entry) {
  if (entry.path != nullptr) pal::release(entry.path);
  if (entry.alternates != nullptr) pal::release(entry.alternates);
  entry.path = nullptr;
  entry.alternates = nullptr;
}

bool RouteDatabase::isInUse(uint32_t id) const {
  for (uint64_t i = 0; i < routes_.count(); ++i)
    if (routes_[i].id == id) return true;
  return false;
}

uint32_t RouteDatabase::add(const Route& route, tStatus& status) {
  if (status.isFatal()) return 0;
  RouteInDB entry;
  pal::fillBytes(&entry, 0, sizeof entry);
  entry.path = copySegments(route.path, route.segmentCount, status);
  entry.alternates = copySegments(route.alternates, route.alternateCount, status);
  entry.segmentCount = route.segmentCount;
  entry.alternateCount = route.alternateCount;
  entry.start = route.start;
  entry.cost = route.cost;
  entry.owner = route.owner;
  entry.state = route.state;
  entry.parity = route.parity;
  if (status.isNotFatal()) routes_.pushBack(entry, status);
  if (status.isFatal()) {
    releaseArrays(entry);
    return 0;
  }
  // After the counter has wrapped, ids still in use are skipped; the new
  // entry's own id is 0 meanwhile, so 0 is never chosen.
  uint32_t id = nextId_;
  if (id == 0) {
    wrapped_ = true;
    id = 1;
  }
  if (wrapped_)
    while (id == 0 || isInUse(id)) ++id;
  routes_[routes_.count() - 1].id = id;
  nextId_ = id + 1;
  return id;
}

RouteInDB* RouteDatabase::find(uint32_t id) {
  for (uint64_t i = 0; i < routes_.count(); ++i)
    if (routes_[i].id == id) return &routes_[i];
  return nullptr;
}

void RouteDatabase::remove(uint32_t id) {
  for (uint64_t i = 0; i < routes_.count(); ++i) {
    if (routes_[i].id != id) continue;
    releaseArrays(routes_[i]);
    routes_.eraseAt(i);
    return;
  }
}

}  // namespace kivark
