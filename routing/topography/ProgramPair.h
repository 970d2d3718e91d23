// One step of an edge's program, handed to the route programmer as is.
#pragma once

#include <stdint.h>

namespace kivark {

class ProgramPair {
 public:
  uint32_t opcode;
  uint32_t value;
};

static_assert(sizeof(ProgramPair) == 8, "program pair is 8 bytes");

}  // namespace kivark
