// A reserved or programmed route that stands in the way of a reservation:
// also the record user mode gets back.
#pragma once

#include <stdint.h>

namespace kivark {

struct RouteConflict {
  uint64_t owner;
  uint32_t routeId;
  uint8_t padding[4];
};

static_assert(sizeof(RouteConflict) == 16, "conflict record is 16 bytes");
static_assert(__builtin_offsetof(RouteConflict, routeId) == 8, "conflict record layout");

}  // namespace kivark
