// A compact status on the kernel heap, for a caller that hands one on by
// pointer beyond its own frame. It comes straight from the kernel layer (16
// bytes, no allocator header), so only freeHeapStatus may release it.
#pragma once

#include "platform/status/tStatus.h"

namespace nKIVAPALS100 {

// A clean compact status, or null when the layer has no memory.
tStatus* createHeapStatus();
// Null is ignored.
void freeHeapStatus(tStatus* status);

}  // namespace nKIVAPALS100
