// A sequencer subroutine's id: an opaque 32-bit key, compared for equality
// only.
#pragma once

#include <stdint.h>

namespace harrowtools {

using SubroutineId = uint32_t;

}  // namespace harrowtools
