// The descriptor of one topography; every table is reached through it.
#pragma once

#include <stdint.h>

#include "routing/topography/Edge.h"
#include "routing/topography/ProgramPair.h"
#include "routing/topography/Terminal.h"
#include "routing/topography/TerminalGroup.h"

namespace kivark {

class TopInfo {
 public:
  const char* name;
  const Terminal* terminals;
  const Edge* edges;
  const TerminalGroup* groups;
  const ProgramPair* programPairs;
  const void* zeroRecord;  // 16 zero bytes
  const uint32_t* incomingEdges;
  uint32_t terminalCount;
  uint32_t edgeCount;
  uint32_t unread64;  // 0
  uint32_t unread68;  // 1
};

static_assert(sizeof(TopInfo) == 72, "topography descriptor is 72 bytes");
static_assert(__builtin_offsetof(TopInfo, incomingEdges) == 48, "topography descriptor layout");
static_assert(__builtin_offsetof(TopInfo, terminalCount) == 56, "topography descriptor layout");
static_assert(__builtin_offsetof(TopInfo, unread68) == 68, "topography descriptor layout");

}  // namespace kivark
