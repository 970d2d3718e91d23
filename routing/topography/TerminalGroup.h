// Terminals that stand for one another; a group number g names record g - 1.
#pragma once

#include <stdint.h>

namespace kivark {

class TerminalGroup {
 public:
  const uint32_t* members;  // table indices
  uint8_t unread[8];
  uint32_t memberCount;
  uint8_t padding[4];
};

static_assert(sizeof(TerminalGroup) == 24, "group record is 24 bytes");
static_assert(__builtin_offsetof(TerminalGroup, memberCount) == 16, "group record layout");

}  // namespace kivark
