// One route a calculation produced: also the record user mode gets back.
#pragma once

#include <stdint.h>

namespace kivark {

struct RoutePossibilityBase {
  uint32_t routeId;
  uint32_t terminalId;  // the route's final terminal
  uint32_t cost;
  int32_t seedIndex;  // -1 when no seed of the caller's array matches
  uint8_t parity;
  uint8_t padding[3];
};

static_assert(sizeof(RoutePossibilityBase) == 20, "result record is 20 bytes");
static_assert(__builtin_offsetof(RoutePossibilityBase, seedIndex) == 12, "result record layout");
static_assert(__builtin_offsetof(RoutePossibilityBase, parity) == 16, "result record layout");

}  // namespace kivark
