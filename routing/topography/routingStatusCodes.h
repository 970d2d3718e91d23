// The codes the routing engine raises beside the platform's.
#pragma once

#include <stdint.h>

namespace kivark {
namespace routingStatusCodes {

constexpr int64_t kDestinationUnreachable = -89124;
constexpr int64_t kTerminalInUse = -89127;
constexpr int64_t kNoDefaultEdge = -89128;
constexpr int64_t kRouteConflict = -89137;

}  // namespace routingStatusCodes
}  // namespace kivark
