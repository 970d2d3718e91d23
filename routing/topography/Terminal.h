// One terminal of a topography: a signal source, destination or switch point.
// Constant table record; its layout is the tables' format.
#pragma once

#include <stdint.h>

namespace kivark {

class Terminal {
 public:
  // The terminal can start or end a route, but no route passes through it.
  static constexpr uint32_t kEndpointOnly = 1u << 0;
  // The terminal cannot be driven by one route while it drives another.
  static constexpr uint32_t kExclusive = 1u << 1;
  // Left as it is when the last route through it is unprogrammed.
  static constexpr uint32_t kKeep = 1u << 2;

  uint32_t id;  // table index + 1
  uint32_t programmerArgument;
  uint32_t firstOutgoing;
  uint32_t outgoingCount;
  uint32_t firstIncoming;
  uint32_t incomingCount;
  uint32_t group;  // 1-based; 0 = none
  uint32_t flags;
};

static_assert(sizeof(Terminal) == 32, "terminal record is 32 bytes");
static_assert(__builtin_offsetof(Terminal, firstIncoming) == 16, "terminal record layout");
static_assert(__builtin_offsetof(Terminal, flags) == 28, "terminal record layout");

}  // namespace kivark
